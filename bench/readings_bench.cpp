#include <benchmark/benchmark.h>

#include "readings/number_text.h"
#include "readings/readings_parser.h"
#include "site/site_meters.h"
#include "site/site_reading.h"
#include "test_support.h"

namespace {

void BM_ScanReadings(benchmark::State& state, const char* fixture) {
    const std::string document = pelmora::test::ReadFixture(fixture);
    for (auto _ : state) {
        pelmora::MeterReadings readings = pelmora::ScanReadings(document);
        benchmark::DoNotOptimize(readings);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(document.size()));
}
BENCHMARK_CAPTURE(BM_ScanReadings, indented, "readings.json");
BENCHMARK_CAPTURE(BM_ScanReadings, compact, "readings_compact.json");
BENCHMARK_CAPTURE(BM_ScanReadings, crlf, "readings_crlf.json");

// The site read of a document by meter, the parser kept between reads as the
// program keeps it: the eight-entry firmware 8.3 document and the battery site.
void BM_SiteRead(benchmark::State& state, const char* readings, const char* meters) {
    const std::string document = pelmora::test::ReadFixture(readings);
    const auto listed = pelmora::ParseSiteMeters(pelmora::test::ReadFixture(meters));
    pelmora::SiteReader reader;
    for (auto _ : state) {
        auto site = reader.Read(*listed, document);
        benchmark::DoNotOptimize(site);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(document.size()));
}
BENCHMARK_CAPTURE(BM_SiteRead, eight_meters, "site/fw-8.3.1598-eight-meters.json",
                  "site/fw-8.3.1598-eight-meters-meters.json");
BENCHMARK_CAPTURE(BM_SiteRead, battery, "site/fw-8.2.4286-battery.json", "site/fw-8.2.4286-battery-meters.json");

void BM_FormatTenths(benchmark::State& state) {
    double value = 1234.56;
    for (auto _ : state) {
        std::string figure = pelmora::FormatTenths(value);
        benchmark::DoNotOptimize(figure);
        value += 0.01;
    }
}
BENCHMARK(BM_FormatTenths);

void BM_RoundHalfEvenText(benchmark::State& state) {
    const std::string text = " -1,234.567";
    for (auto _ : state) benchmark::DoNotOptimize(pelmora::RoundHalfEven(text, 1));
}
BENCHMARK(BM_RoundHalfEvenText);

void BM_RoundHalfEvenNumber(benchmark::State& state) {
    double value = 2345.67;
    for (auto _ : state) {
        benchmark::DoNotOptimize(pelmora::RoundHalfEven(value, 1));
        value += 0.01;
    }
}
BENCHMARK(BM_RoundHalfEvenNumber);

}  // namespace
