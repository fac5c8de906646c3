// SHA-256 from libcrypto, fed piece by piece.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <openssl/types.h>
#include <string_view>

using sha256_digest = std::array<unsigned char, 32>;

class sha256 {
public:
    // Throws std::runtime_error when libcrypto cannot provide the hash (it
    // is out of memory, or its configuration leaves SHA-256 out).
    sha256();

    void update(std::string_view bytes);
    // A 64-bit number as eight bytes, least significant first.
    void update(std::uint64_t number);
    // The digest of everything fed so far; the object is spent afterwards.
    sha256_digest finish();

private:
    struct context_deleter {
        void operator()(EVP_MD_CTX* context) const;
    };
    std::unique_ptr<EVP_MD_CTX, context_deleter> context;
};
