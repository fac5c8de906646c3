#include "cli/driver.hpp"

int run_vestrel(int, char**)
{
    return 0;
}
