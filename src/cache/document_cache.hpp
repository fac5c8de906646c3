// A directory of byte strings stored by key: what a run keeps for later runs.
// It knows bytes and keys only; what a payload holds, how large it may be
// and which parts make its key are the caller's.
//
// The directory holds two subdirectories, so that no pattern of a run in
// the directory itself meets a file of the cache:
//   entries/HEX   one file per entry, named by its key's hex digits, holding
//                 a verified header and the payload (entry_format.hpp);
//   tmp/PID-COUNTER-RANDOM@HOST
//                 an entry being written, renamed into entries/ when whole.
// Nothing is printed; failures are values.
#pragma once

#include "cache/cache_key.hpp"
#include "platform/failure.hpp"
#include "platform/owned_fd.hpp"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct cache_opening;

// An open cache directory. Every access goes through the descriptors taken
// when it was opened, so a path swapped afterwards is not followed; the
// object stays usable in processes forked after it was made. Not for use
// from two threads at once.
class document_cache {
public:
    // The verified payload stored under key; none when there is no entry,
    // it cannot be read, or it fails verification: larger than
    // largest_payload (refused before a byte of it is read), cut short, a
    // flipped byte, another key's entry, a foreign format, a file of
    // another user, or a name that is not a regular file (a directory, a
    // FIFO, a device, a symbolic link, which is never followed). Such an
    // entry is never used, and the next store replaces it where it can.
    // Never blocks on a FIFO or a device.
    std::optional<std::string> lookup(const cache_key& key, std::uint64_t largest_payload) const;

    // Stores payload under key atomically: written to a fresh temporary
    // file, then renamed into place, so a killed run or two runs at once
    // never leave a half entry under a real name. The failure of what failed
    // (EACCES, ENOSPC, EFBIG, EISDIR when a directory holds the entry's
    // name, ENOMEM, ...) is returned, and the temporary file removed; in a
    // cache opened read-only, the reason it cannot be written (EROFS,
    // EACCES) at once. After a store has failed, nothing more is stored in
    // this process, and nothing more is returned: a cache that cannot be
    // written is said to be so once. Nothing is synced to the disk: an entry
    // that a power loss leaves short fails verification.
    failure store(const cache_key& key, std::string_view payload) const;

    // The directory as it was named to open_cache.
    const std::string& directory() const { return path; }

private:
    friend cache_opening open_cache(const std::string& directory);
    document_cache(std::string path, owned_fd entries, owned_fd temporary, failure write_failure,
                   std::string host)
        : path(std::move(path)), entries(std::move(entries)), temporary(std::move(temporary)),
          write_failure(std::move(write_failure)), host(std::move(host))
    {
    }

    failure write_entry(const cache_key& key, std::string_view payload) const;
    // Makes a new temporary file, opened for writing, and sets file and name
    // to it.
    failure create_temporary(owned_fd& file, std::string& name) const;

    std::string path;
    // The two subdirectories; entries is closed in a read-only cache that
    // has none, temporary in any read-only cache.
    owned_fd entries;
    owned_fd temporary;
    // Why nothing can be stored; none when the cache is writable.
    failure write_failure;
    // A store has failed: nothing more is stored.
    mutable bool store_failed = false;
    // This machine's name, which temporary names end with.
    std::string host;
    mutable std::uint64_t temporaries = 0;
};

// The outcome of opening a cache directory: a cache, or the reason there is
// none, for "vestrel: cache DIR: REASON".
struct cache_opening {
    std::optional<document_cache> cache;
    failure problem;
};

// Opens the cache in directory, which is made with its missing parents,
// each with mode 0700 (less what the umask takes away), when missing, and
// so are its two subdirectories. A symbolic link is followed for the
// directory itself, never for a subdirectory; the checks are of the
// directories reached.
// Refused, with problem set: a path that cannot be made or reached ("Not a
// directory", "Permission denied", ...), a directory the effective user
// cannot search, one that belongs to another user ("it belongs to another
// user"), or one that group or others may write ("others may write to it"),
// since someone else could plant entries there; a subdirectory likewise
// ("entries: it belongs to another user").
// A directory the user cannot write (a read-only mount, or one its owner
// made read-only) is opened read-only: lookups work, and every store fails
// with the reason. In a writable one, the temporary files that no live run
// can be writing are removed: those older than ten minutes whose process,
// on this host, is gone, and any older than a day (left by a run on another
// host, or by a process whose ID was taken again).
cache_opening open_cache(const std::string& directory);
