// Costs of the document cache: the two candidate hashes, and a cache hit
// against the repair it saves.
//   hash/sha256, hash/blake2b - each hash from its library (libcrypto's
//       SHA-256, libb2's BLAKE2b with a 32-byte digest) over random bytes of
//       20 KB, 200 KB and 2 MB; the room uses the faster, SHA-256.
//   make_key - the room's key over such bytes and a short settings part.
//   pages/... - every file of one directory of HTML pages, one after another
//       (BENCH_CACHE_PAGES names it; by default the examples of the source
//       tree):
//         tidy   - the repair with the program's settings: what a hit saves;
//         read   - reading each page's own bytes from its file: what an
//                  entry costs at least;
//         lookup - a hit: reading and verifying each entry;
//         store  - what a miss adds: writing each entry.
//       Bytes per second count the pages' bytes; store also gives the
//       entries' total size over the pages' total (stored_share).

#include "cache/cache_key.hpp"
#include "cache/document_cache.hpp"
#include "cli/inputs.hpp"
#include "loading/encodings.hpp"
#include "loading/tidy_worker.hpp"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <openssl/evp.h>
#include <random>
#include <sstream>
#include <string>
#include <vector>
#ifdef VESTREL_BENCH_BLAKE2B
#include <blake2.h>
#endif

namespace fs = std::filesystem;

namespace {

std::string random_bytes(std::size_t size)
{
    std::mt19937_64 generator(size);
    std::string bytes(size, '\0');
    for (char& byte : bytes)
        byte = static_cast<char>(generator());
    return bytes;
}

template <typename hash_function>
void hash(benchmark::State& state, hash_function function)
{
    const std::string bytes = random_bytes(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(function(bytes));
    state.SetBytesProcessed(state.iterations() * state.range(0));
}

void BM_hash_sha256(benchmark::State& state)
{
    hash(state, [](const std::string& bytes) {
        std::array<unsigned char, EVP_MAX_MD_SIZE> digest{};
        unsigned int size = 0;
        EVP_Digest(bytes.data(), bytes.size(), digest.data(), &size, EVP_sha256(), nullptr);
        return digest;
    });
}
BENCHMARK(BM_hash_sha256)->Arg(20000)->Arg(200000)->Arg(2000000);

#ifdef VESTREL_BENCH_BLAKE2B
void BM_hash_blake2b(benchmark::State& state)
{
    hash(state, [](const std::string& bytes) {
        std::array<unsigned char, 32> digest{};
        blake2b(digest.data(), bytes.data(), nullptr, digest.size(), bytes.size(), 0);
        return digest;
    });
}
BENCHMARK(BM_hash_blake2b)->Arg(20000)->Arg(200000)->Arg(2000000);
#endif

void BM_make_key(benchmark::State& state)
{
    hash(state, [](const std::string& bytes) { return make_key({bytes, "utf8 -m 0"}); });
}
BENCHMARK(BM_make_key)->Arg(20000)->Arg(200000)->Arg(2000000);

struct page {
    fs::path path;
    std::string bytes;
    cache_key key;
};

std::vector<page> load_pages()
{
    const char* named = std::getenv("BENCH_CACHE_PAGES");
    const fs::path directory = named ? fs::path(named) : fs::path(VESTREL_SOURCE_DIR) / "examples";
    std::vector<page> pages;
    for (const auto& entry : fs::directory_iterator(directory)) {
        if (!entry.is_regular_file())
            continue;
        const input_file file = open_found(entry.path().string());
        std::string bytes = read_whole(file.fd, true, regular_size(file)).text;
        const cache_key key = make_key({bytes});
        pages.push_back({entry.path(), std::move(bytes), key});
    }
    std::sort(pages.begin(), pages.end(),
              [](const page& a, const page& b) { return a.path < b.path; });
    return pages;
}

const std::vector<page>& pages()
{
    static const std::vector<page> loaded = load_pages();
    return loaded;
}

// A cache in a fresh temporary directory, removed at the end.
struct scratch_cache {
    fs::path path;
    document_cache cache;

    scratch_cache() : path(made_directory()), cache(std::move(*open_cache(path.string()).cache)) {}
    ~scratch_cache() { fs::remove_all(path); }

    static fs::path made_directory()
    {
        std::string name = (fs::temp_directory_path() / "vestrel-bench-cache-XXXXXX").string();
        if (mkdtemp(name.data()) == nullptr)
            throw std::runtime_error("mkdtemp failed");
        return name;
    }
};

template <typename work>
void over_pages(benchmark::State& state, work each)
{
    std::int64_t bytes = 0;
    for (const page& p : pages())
        bytes += std::int64_t(p.bytes.size());
    for (auto _ : state)
        for (const page& p : pages())
            each(p);
    state.SetBytesProcessed(state.iterations() * bytes);
    state.counters["pages"] = double(pages().size());
}

void BM_pages_tidy(benchmark::State& state)
{
    std::ostringstream diagnostics;
    over_pages(state, [&](const page& p) {
        const tidy_worker worker(false, p.bytes, input_encoding{}, std::nullopt, diagnostics);
        benchmark::DoNotOptimize(worker.xhtml.data());
        diagnostics.str("");
    });
}
BENCHMARK(BM_pages_tidy)->Unit(benchmark::kMillisecond);

void BM_pages_read(benchmark::State& state)
{
    over_pages(state, [](const page& p) {
        const input_file file = open_found(p.path.string());
        benchmark::DoNotOptimize(read_whole(file.fd, true, regular_size(file)).text.data());
    });
}
BENCHMARK(BM_pages_read)->Unit(benchmark::kMillisecond);

void BM_pages_lookup(benchmark::State& state)
{
    const scratch_cache scratch;
    for (const page& p : pages())
        scratch.cache.store(p.key, p.bytes);
    over_pages(state, [&](const page& p) {
        const std::optional<std::string> payload = scratch.cache.lookup(p.key, p.bytes.size());
        if (!payload)
            state.SkipWithError("an entry was not found");
        benchmark::DoNotOptimize(payload->data());
    });
}
BENCHMARK(BM_pages_lookup)->Unit(benchmark::kMillisecond);

void BM_pages_store(benchmark::State& state)
{
    const scratch_cache scratch;
    over_pages(state, [&](const page& p) {
        if (scratch.cache.store(p.key, p.bytes) != 0)
            state.SkipWithError("a store failed");
    });
    double stored = 0, input = 0;
    for (const page& p : pages()) {
        stored += double(fs::file_size(scratch.path / "entries" / p.key.hex()));
        input += double(p.bytes.size());
    }
    state.counters["stored_share"] = stored / input;
}
BENCHMARK(BM_pages_store)->Unit(benchmark::kMillisecond);

}

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
