#include "cache/sha256.hpp"

#include "platform/byte_packing.hpp"

#include <openssl/evp.h>
#include <stdexcept>

namespace {

[[noreturn]] void fail()
{
    throw std::runtime_error("SHA-256 is not available from libcrypto");
}

}

void sha256::context_deleter::operator()(EVP_MD_CTX* context) const
{
    EVP_MD_CTX_free(context);
}

sha256::sha256() : context(EVP_MD_CTX_new())
{
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
        fail();
}

void sha256::update(std::string_view bytes)
{
    if (EVP_DigestUpdate(context.get(), bytes.data(), bytes.size()) != 1)
        fail();
}

void sha256::update(std::uint64_t number)
{
    byte_packer packed;
    packed.number(number);
    update(packed.bytes);
}

sha256_digest sha256::finish()
{
    sha256_digest digest{};
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(context.get(), digest.data(), &size) != 1
        || size != digest.size())
        fail();
    return digest;
}
