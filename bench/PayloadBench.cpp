// Decoding a payload of about a megabyte with CGuard::Decode beside the bare work it wraps
// (zlib raw inflate and zlib's crc32 of the output), both in MB/s of plain output. The ratio
// printed at the end is what the decryption, the packed CRC and the nibble-table CRCs cost.
#include <benchmark/benchmark.h>
#include <zlib.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "payload/CGuard.h"
#include "payload/KeyParameters.h"
#include "tools/packer/Container.h"

namespace {

constexpr size_t kPlainSize = 1 << 20;

// Like the real payloads: text runs, repeated table rows and incompressible stretches.
Bytes MixedPlain() {
    Bytes plain;
    plain.reserve(kPlainSize);
    uint32_t seed = 1234567;
    auto next = [&] {
        seed = seed * 1664525 + 1013904223;
        return seed >> 8;
    };
    const std::string words[] = {"keyboard ", "layout ",   "Tolvin ",    "install ",
                                 "Windows ",  "registry ", "scan code ", "language "};
    while (plain.size() < kPlainSize) {
        switch (next() % 3) {
            case 0:
                for (int i = 0; i < 200; ++i) {
                    const std::string& word = words[next() % 8];
                    plain.insert(plain.end(), word.begin(), word.end());
                }
                break;
            case 1:
                for (int i = 0; i < 64; ++i) {
                    const unsigned char row[8] = {
                        0x10, 0x00, static_cast<unsigned char>(i), 0x00, 0x41, 0x00, 0xFF, 0xFF};
                    plain.insert(plain.end(), row, row + 8);
                }
                break;
            default:
                for (int i = 0; i < 1024; ++i) {
                    plain.push_back(static_cast<unsigned char>(next()));
                }
                break;
        }
    }
    plain.resize(kPlainSize);
    return plain;
}

struct Fixture {
    Fixture() : plain(MixedPlain()) {
        const Bytes material(kKeyMaterialLength, 0);  // unscrambles to an all-zero key
        guard.SetKeyMaterial(material.data(), kKeyMaterialLength);
        std::string error;
        PackContainer(plain, 0, Bytes(kKeyLength, 0), container, error);
        DeflateRaw(plain, packed, error);
    }
    Bytes plain;
    Bytes container;
    Bytes packed;
    CGuard guard;
};

const Fixture& Data() {
    static const Fixture fixture;
    return fixture;
}

void BM_CGuardDecode(benchmark::State& state) {
    const Fixture& data = Data();
    for (auto _ : state) {
        uint32_t size = static_cast<uint32_t>(data.container.size());
        std::unique_ptr<unsigned char[]> plain(data.guard.Decode(data.container.data(), size));
        if (!plain || size != data.plain.size()) {
            state.SkipWithError("decoding failed");
            return;
        }
        benchmark::DoNotOptimize(plain.get());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.plain.size()));
    state.counters["packed_bytes"] = static_cast<double>(data.container.size());
}
BENCHMARK(BM_CGuardDecode)->Unit(benchmark::kMillisecond);

void BM_ZlibInflateAndCrc32(benchmark::State& state) {
    const Fixture& data = Data();
    std::vector<unsigned char> out(data.plain.size());
    for (auto _ : state) {
        z_stream stream{};
        inflateInit2(&stream, -MAX_WBITS);
        stream.next_in = const_cast<Bytef*>(data.packed.data());
        stream.avail_in = static_cast<uInt>(data.packed.size());
        stream.next_out = out.data();
        stream.avail_out = static_cast<uInt>(out.size());
        const int result = inflate(&stream, Z_FINISH);
        inflateEnd(&stream);
        const uLong crc = crc32(0, out.data(), static_cast<uInt>(out.size()));
        if (result != Z_STREAM_END) {
            state.SkipWithError("inflate failed");
            return;
        }
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * data.plain.size()));
}
BENCHMARK(BM_ZlibInflateAndCrc32)->Unit(benchmark::kMillisecond);

// Remembers each benchmark's rate so that main can print their ratio after the table.
class RateReporter : public benchmark::ConsoleReporter {
public:
    // Plain text: the figures usually end up in logs.
    RateReporter() : ConsoleReporter(OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const auto rate = run.counters.find("bytes_per_second");
            if (!run.error_occurred && rate != run.counters.end()) {
                rates[run.benchmark_name()] = rate->second.value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> rates;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto decode = reporter.rates.find("BM_CGuardDecode");
    const auto baseline = reporter.rates.find("BM_ZlibInflateAndCrc32");
    if (decode != reporter.rates.end() && baseline != reporter.rates.end()) {
        std::printf("CGuard::Decode %.1f MB/s, zlib inflate + crc32 %.1f MB/s, ratio %.2f\n",
                    decode->second / 1e6, baseline->second / 1e6,
                    decode->second / baseline->second);
    }
    benchmark::Shutdown();
    return 0;
}
