// convert_bench: record conversion in memory, one benchmark per mode, on
// generated records like those of bench/convert_vs_awk.sh.
#include "convert/record_conversion.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

namespace {

constexpr int kRecords = 100000;

// Four fields, 48 bytes and CR LF a record; delimited by separator or, when it
// is 0, padded to widths 10, 20, 8, 7.
const std::string& Records(char separator)
{
    static std::string delimited, fixed;
    std::string& data = separator ? delimited : fixed;
    if (data.empty()) {
        char line[64];
        for (int i = 0; i < kRecords; ++i) {
            const char* format = separator ? "%010d,%-20s,%08d,%07d\r\n" : "%010d%-20s%08d%07d\r\n";
            const std::string item = "item" + std::to_string((i * 7919) % 100003);
            std::snprintf(line, sizeof line, format, i, item.c_str(), (i * 31) % 100000000,
                          i % 9999991);
            data += line;
        }
    }
    return data;
}

void Run(benchmark::State& state, const ConvertSettings& settings)
{
    const std::string& data = Records(static_cast<char>(settings.OriSeparator));
    for (auto _ : state) {
        std::optional<std::string> converted = ConvertRecords(data, settings);
        benchmark::DoNotOptimize(converted);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(data.size()));
}

void DelimitedToDelimited(benchmark::State& state)
{
    ConvertSettings s;
    s.OriSeparator = ',';
    s.ConvSeparator = ';';
    s.ConvertField = 4;
    Run(state, s);
}

void DelimitedToDelimitedDroppingFields(benchmark::State& state)
{
    ConvertSettings s;
    s.OriSeparator = ',';
    s.ConvSeparator = ';';
    s.ConvertField = 2;
    Run(state, s);
}

void DelimitedToFixed(benchmark::State& state)
{
    ConvertSettings s;
    s.OriSeparator = ',';
    s.ConvSeparator = 0;
    s.ConvertField = 4;
    s.ConvFieldLen = {12, 22, 8, 8};
    Run(state, s);
}

void FixedToDelimited(benchmark::State& state)
{
    ConvertSettings s;
    s.OriSeparator = 0;
    s.OriFieldLen = {10, 20, 8, 7};
    s.ConvSeparator = ';';
    s.ConvertField = 4;
    Run(state, s);
}

void FixedToFixed(benchmark::State& state)
{
    ConvertSettings s;
    s.OriSeparator = 0;
    s.OriFieldLen = {10, 20, 8, 7};
    s.ConvSeparator = 0;
    s.ConvertField = 4;
    s.ConvFieldLen = {12, 22, 8, 8};
    Run(state, s);
}

// The file path of kvctl convert: read from the page cache, convert, write to
// /dev/null, so that the conversion and the reads are what is measured.
void ConvertFileToNull(benchmark::State& state)
{
    const std::string& data = Records(',');
    const std::filesystem::path source =
        std::filesystem::temp_directory_path() / "convert_bench_source.txt";
    if (std::FILE* f = std::fopen(source.c_str(), "wb")) {
        std::fwrite(data.data(), 1, data.size(), f);
        std::fclose(f);
    }
    ConvertSettings s;
    s.OriSeparator = ',';
    s.ConvSeparator = ';';
    s.ConvertField = 4;
    for (auto _ : state) {
        std::filesystem::path converted = ConvertFile(source, s, "/dev/null");
        if (converted.empty())
            state.SkipWithError("conversion failed");
        benchmark::DoNotOptimize(converted);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(data.size()));
    std::filesystem::remove(source);
}

} // namespace

BENCHMARK(DelimitedToDelimited);
BENCHMARK(DelimitedToDelimitedDroppingFields);
BENCHMARK(DelimitedToFixed);
BENCHMARK(FixedToDelimited);
BENCHMARK(FixedToFixed);
BENCHMARK(ConvertFileToNull);

BENCHMARK_MAIN();
