// An open directory listing (opendir, fdopendir), closed with its owner.
#pragma once

#include <dirent.h>
#include <memory>

struct directory_closer {
    void operator()(DIR* directory) const { closedir(directory); }
};
using directory_handle = std::unique_ptr<DIR, directory_closer>;
