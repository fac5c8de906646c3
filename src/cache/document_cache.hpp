// A directory of byte strings stored by key: what a run keeps for later runs.
// It knows bytes and keys only; what a payload holds and which parts make
// its key are the caller's.
//
// Each entry is one file named by its key's hex digits, flat in the
// directory, holding a verified header and the payload (entry_format.hpp).
// Temporary files are named ".tmp-PID-COUNTER-RANDOM", which no entry name
// looks like. Nothing is printed; failures are values.
#pragma once

#include "cache/cache_key.hpp"
#include "platform/owned_fd.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct cache_opening;

// An open cache directory. Every access goes through the descriptor taken
// when it was opened, so a path swapped afterwards is not followed; the
// object stays usable in processes forked after it was made. Not for use
// from two threads at once.
class document_cache {
public:
    // The verified payload stored under key; none when there is no entry,
    // it cannot be read, or it fails verification: cut short, a flipped
    // byte, another key's entry, a foreign format, or a name that is not a
    // regular file (a directory, a FIFO, a device, a symbolic link, which is
    // never followed). Such an entry is never used, and the next store
    // replaces it where it can. Never blocks on a FIFO or a device.
    std::optional<std::string> lookup(const cache_key& key) const;

    // Stores payload under key atomically: written to a fresh temporary
    // name in the directory, then renamed into place, so a killed run or
    // two runs at once never leave a half entry under a real name. 0, or
    // the system's error number of what failed (EACCES, ENOSPC, EISDIR when
    // a directory holds the entry's name, ENOMEM, ...); the temporary file
    // is removed on failure. Nothing is synced to the disk: an entry that a
    // power loss leaves short fails verification.
    int store(const cache_key& key, std::string_view payload) const;

    // The directory as it was named to open_cache.
    const std::string& directory() const { return path; }

private:
    friend cache_opening open_cache(const std::string& directory);
    document_cache(std::string path, owned_fd handle)
        : path(std::move(path)), handle(std::move(handle))
    {
    }

    // Makes a new temporary file in the directory, opened for writing, and
    // sets file and name to it; 0, or the error number when none was made.
    int create_temporary(owned_fd& file, std::string& name) const;

    std::string path;
    owned_fd handle;
    mutable std::uint64_t temporaries = 0;
};

// The outcome of opening a cache directory: a cache, or the reason there is
// none, short enough for "vestrel: cache DIR: REASON".
struct cache_opening {
    std::optional<document_cache> cache;
    std::string problem;
};

// Opens the cache in directory, which is made with its missing parents,
// each with mode 0700 (less what the umask takes away), when missing. A
// symbolic link is followed; the checks are of the directory reached.
// Refused, with problem set: a path that cannot be made or reached ("Not a
// directory", "Permission denied", ...), a directory the effective user
// cannot write and search, one that belongs to another user ("it belongs
// to another user"), or one that group or others may write ("others may
// write to it"), since someone else could plant entries there.
cache_opening open_cache(const std::string& directory);
