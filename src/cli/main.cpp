#include "cli/driver.hpp"

int main(int argc, char** argv)
{
    return run_vestrel(argc, argv);
}
