// GString beside the standard strings doing the same work: appending one character at a time,
// converting between UTF-16 and UTF-8, and searching. Throughput is reported in bytes of text
// per second; two sizes for appending show whether its cost per character stays constant.

#include <benchmark/benchmark.h>

#include <string>

#include "text/GString.h"

namespace {

constexpr int kMegabyte = 1 << 20;

// Mixed text: mostly ASCII, with Latin-1, Cyrillic, CJK and a surrogate pair in every 64 units.
std::u16string MixedWide(int units) {
    const std::u16string pattern =
        u"Tolvin keyboard layout, \x00e4\x00f6\x00fc \x0436\x0438\x043b \x4e2d\x6587 "
        u"\xd83d\xde00 C:\\Program Files\\T";
    std::u16string text;
    while (static_cast<int>(text.size()) < units) {
        text += pattern;
    }
    text.resize(static_cast<std::size_t>(units));
    return text;
}

std::string EncodeEachUnit(const std::u16string& units) {
    std::string out;
    out.reserve(units.size() * 3);
    for (char16_t u : units) {
        if (u < 0x80) {
            out.push_back(static_cast<char>(u));
        } else if (u < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (u >> 6)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (u >> 12)));
            out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        }
    }
    return out;
}

std::u16string DecodeThreeByteForms(const std::string& bytes) {
    std::u16string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        if (lead < 0x80) {
            out.push_back(lead);
            i += 1;
        } else if (lead < 0xE0) {
            out.push_back(static_cast<char16_t>(((lead & 0x1F) << 6) | (bytes[i + 1] & 0x3F)));
            i += 2;
        } else {
            out.push_back(static_cast<char16_t>(
                ((lead & 0x0F) << 12) | ((bytes[i + 1] & 0x3F) << 6) | (bytes[i + 2] & 0x3F)));
            i += 3;
        }
    }
    return out;
}

void GStringAppendChar(benchmark::State& state) {
    const int units = static_cast<int>(state.range(0)) / 2;
    for (auto _ : state) {
        GString s(u'\0', 0);
        for (int i = 0; i < units; ++i) {
            s.AppendChar(static_cast<char16_t>(u'a' + (i & 15)));
        }
        benchmark::DoNotOptimize(s.GetWideText());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
    state.counters["ns_per_char"] = benchmark::Counter(
        static_cast<double>(units),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void U16StringPushBack(benchmark::State& state) {
    const int units = static_cast<int>(state.range(0)) / 2;
    for (auto _ : state) {
        std::u16string s;
        for (int i = 0; i < units; ++i) {
            s.push_back(static_cast<char16_t>(u'a' + (i & 15)));
        }
        benchmark::DoNotOptimize(s.data());
    }
    state.SetBytesProcessed(state.iterations() * state.range(0));
    state.counters["ns_per_char"] = benchmark::Counter(
        static_cast<double>(units),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void GStringWideToUtf8(benchmark::State& state) {
    const std::u16string source = MixedWide(kMegabyte / 2);
    GString out;
    for (auto _ : state) {
        out.Empty();
        out.AppendWide(source.data(), static_cast<int>(source.size()));
        benchmark::DoNotOptimize(out.GetNarrowText());
    }
    state.SetBytesProcessed(state.iterations() * kMegabyte);
}

void U16StringWideToUtf8(benchmark::State& state) {
    const std::u16string source = MixedWide(kMegabyte / 2);
    for (auto _ : state) {
        std::string out = EncodeEachUnit(source);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * kMegabyte);
}

void GStringUtf8ToWide(benchmark::State& state) {
    const std::string source = EncodeEachUnit(MixedWide(kMegabyte / 2));
    GString out(u'\0', 0);
    for (auto _ : state) {
        out.Empty();
        out.AppendNarrow(source.data(), static_cast<int>(source.size()));
        benchmark::DoNotOptimize(out.GetWideText());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(source.size()));
}

void U16StringUtf8ToWide(benchmark::State& state) {
    const std::string source = EncodeEachUnit(MixedWide(kMegabyte / 2));
    for (auto _ : state) {
        std::u16string out = DecodeThreeByteForms(source);
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(source.size()));
}

// The needle occurs only at the very end, so the whole megabyte is searched.
constexpr char16_t kNeedle[] = u"\\setup.exe";

void GStringFind(benchmark::State& state) {
    GString s(u'\0', 0);
    const std::u16string text = MixedWide(kMegabyte / 2 - 10);
    s.AppendWide(text.data(), static_cast<int>(text.size()));
    s.AppendWide(kNeedle);
    for (auto _ : state) {
        benchmark::DoNotOptimize(s.Find(kNeedle));
    }
    state.SetBytesProcessed(state.iterations() * kMegabyte);
}

void U16StringFind(benchmark::State& state) {
    const std::u16string s = MixedWide(kMegabyte / 2 - 10) + kNeedle;
    for (auto _ : state) {
        benchmark::DoNotOptimize(s.find(kNeedle));
    }
    state.SetBytesProcessed(state.iterations() * kMegabyte);
}

BENCHMARK(GStringAppendChar)->Arg(kMegabyte)->Arg(16 * kMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(U16StringPushBack)->Arg(kMegabyte)->Arg(16 * kMegabyte)->Unit(benchmark::kMillisecond);
BENCHMARK(GStringWideToUtf8)->Unit(benchmark::kMicrosecond);
BENCHMARK(U16StringWideToUtf8)->Unit(benchmark::kMicrosecond);
BENCHMARK(GStringUtf8ToWide)->Unit(benchmark::kMicrosecond);
BENCHMARK(U16StringUtf8ToWide)->Unit(benchmark::kMicrosecond);
BENCHMARK(GStringFind)->Unit(benchmark::kMicrosecond);
BENCHMARK(U16StringFind)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
