// Replay main for the fuzz targets when libFuzzer is not linked: runs every file of the given folders, then
// seeded mutations of them (bit flips, truncations, byte runs, duplications), so that the parsers meet
// damaged input in every ordinary test run. Deterministic: the same inputs every run.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

void RunOne(const std::vector<uint8_t>& input) {
    // A copy of exactly the input's size, so that a read past the end is caught by the sanitizers.
    std::vector<uint8_t> copy(input);
    LLVMFuzzerTestOneInput(copy.empty() ? nullptr : copy.data(), copy.size());
}

std::vector<uint8_t> Mutate(const std::vector<uint8_t>& seed, std::mt19937& rng) {
    std::vector<uint8_t> m = seed;
    int edits = 1 + static_cast<int>(rng() % 4);
    for (int e = 0; e < edits; ++e) {
        switch (rng() % 5) {
            case 0:
                if (!m.empty()) {
                    m[rng() % m.size()] ^= static_cast<uint8_t>(1u << (rng() % 8));
                }
                break;
            case 1:
                if (!m.empty()) {
                    m.resize(rng() % m.size());
                }
                break;
            case 2:
                if (!m.empty()) {
                    static const uint8_t interesting[] = {0x00, 0xFF, 0x7F, 0x80, 0x01, 0xFE};
                    size_t at = rng() % m.size();
                    size_t len = std::min<size_t>(m.size() - at, 1 + rng() % 4);
                    uint8_t v = interesting[rng() % sizeof interesting];
                    for (size_t i = 0; i < len; ++i) {
                        m[at + i] = v;
                    }
                }
                break;
            case 3:
                if (!m.empty() && m.size() < (1u << 20)) {
                    size_t at = rng() % m.size();
                    size_t len = std::min<size_t>(m.size() - at, 1 + rng() % 64);
                    std::vector<uint8_t> chunk(m.begin() + static_cast<std::ptrdiff_t>(at),
                                               m.begin() + static_cast<std::ptrdiff_t>(at + len));
                    m.insert(m.begin() + static_cast<std::ptrdiff_t>(rng() % m.size()), chunk.begin(),
                             chunk.end());
                }
                break;
            default:
                m.push_back(static_cast<uint8_t>(rng()));
                break;
        }
    }
    return m;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s CORPUS_FOLDER...\n", argv[0]);
        return 2;
    }
    std::vector<std::vector<uint8_t>> seeds;
    for (int i = 1; i < argc; ++i) {
        // A folder that is missing or empty would make the run pass without testing anything.
        std::error_code ec;
        size_t nFiles = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(argv[i], ec)) {
            if (entry.is_regular_file()) {
                std::ifstream in(entry.path(), std::ios::binary);
                seeds.emplace_back(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
                ++nFiles;
            }
        }
        if (ec || nFiles == 0) {
            std::fprintf(stderr, "%s: no corpus in '%s'\n", argv[0], argv[i]);
            return 1;
        }
    }
    seeds.emplace_back();
    std::mt19937 rng(20261208);
    // The same number of mutated inputs however many seeds there are, so a growing corpus does not slow
    // every test run down.
    const size_t kMutations = 24000;
    const size_t nPerSeed = std::max<size_t>(kMutations / seeds.size(), 200);
    size_t runs = 0;
    for (const std::vector<uint8_t>& seed : seeds) {
        RunOne(seed);
        for (size_t len = 0; len < seed.size() && len < 512; ++len) {
            RunOne(std::vector<uint8_t>(seed.begin(), seed.begin() + static_cast<std::ptrdiff_t>(len)));
        }
        for (size_t k = 0; k < nPerSeed; ++k) {
            RunOne(Mutate(seed, rng));
            ++runs;
        }
    }
    std::printf("%zu seeds, %zu mutated inputs: no crash\n", seeds.size(), runs);
    return 0;
}
