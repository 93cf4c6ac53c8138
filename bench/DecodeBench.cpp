// Decoding: archive and journal records turned into the texts of their
// views' rows, with the heap allocations each record costs; and the number
// formatting the decoders use ({fmt}) against snprintf.
//
//     build/default/bench/rx58_bench_decode

#include "AllocationCounter.h"
#include "BenchData.h"
#include "BenchSupport.h"
#include "device/ArchiveRecord.h"
#include "device/Rx58core.h"
#include "device/Sysutil.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

using RX58_namespace::ArchiveDecodeStruct;
using RX58_namespace::JournalDecodeStruct;

const RX58Valve& Data(const Edition& edition) {
    // 30 days of hours, a year of days, 10 years of months, 1000 events.
    static const RX58Valve v3 = bench::DeviceData(EditionV3, 720, 366, 120, 1000);
    static const RX58Valve v2 = bench::DeviceData(EditionV2, 720, 366, 120, 1000);
    return edition.ProtocolVersion == 2 ? v2 : v3;
}

const Edition& EditionOf(const benchmark::State& state) {
    return state.range(0) == 2 ? EditionV2 : EditionV3;
}

// Counts the allocations of the timed loop, per record.
class AllocationMeter {
public:
    AllocationMeter() : start_(bench::Allocations()) {}
    void Report(benchmark::State& state) const {
        state.counters["allocs_per_record"] = benchmark::Counter(
            static_cast<double>(bench::Allocations() - start_) /
            static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1)));
    }

private:
    long start_;
};

template <class Record>
const Record& Pick(const std::vector<Record>& list, std::size_t& i) {
    const Record& r = list[i];
    i = i + 1 == list.size() ? 0 : i + 1;
    return r;
}

void BM_DecodeHourlyRow(benchmark::State& state) {
    const Edition& edition = EditionOf(state);
    const auto& list = Data(edition).HourArchive;
    ArchiveDecodeStruct decoder(edition);
    std::vector<std::string> row;
    std::size_t i = 0;
    decoder.Decode(list[0], device::akHourly); // the strings take their size once
    decoder.Row(device::akHourly, row);
    AllocationMeter meter;
    for (auto _ : state) {
        decoder.Decode(Pick(list, i), device::akHourly);
        decoder.Row(device::akHourly, row);
        benchmark::DoNotOptimize(row.data());
    }
    meter.Report(state);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_DecodeHourlyRow)->ArgName("edition")->Arg(3)->Arg(2);

// A daily or monthly record feeds two views: the period columns and the
// totals.
void DecodeFullRows(benchmark::State& state, const RX58FullArchive& list, int kind,
                    int totalsKind) {
    ArchiveDecodeStruct decoder(EditionOf(state));
    std::vector<std::string> row, totals;
    std::size_t i = 0;
    decoder.DecodeFull(list[0], kind);
    decoder.Row(kind, row);
    decoder.Row(totalsKind, totals);
    AllocationMeter meter;
    for (auto _ : state) {
        decoder.DecodeFull(Pick(list, i), kind);
        decoder.Row(kind, row);
        decoder.Row(totalsKind, totals);
        benchmark::DoNotOptimize(row.data());
        benchmark::DoNotOptimize(totals.data());
    }
    meter.Report(state);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}

void BM_DecodeDailyRows(benchmark::State& state) {
    DecodeFullRows(state, Data(EditionOf(state)).DayArchive, device::akDaily,
                   device::akDailyTotals);
}
BENCHMARK(BM_DecodeDailyRows)->ArgName("edition")->Arg(3)->Arg(2);

void BM_DecodeMonthlyRows(benchmark::State& state) {
    DecodeFullRows(state, Data(EditionOf(state)).MonthArchive, device::akMonthly,
                   device::akMonthlyTotals);
}
BENCHMARK(BM_DecodeMonthlyRows)->ArgName("edition")->Arg(3);

void BM_DecodeJournalRow(benchmark::State& state) {
    const Edition& edition = EditionOf(state);
    const auto& list = Data(edition).Journal;
    JournalDecodeStruct decoder(edition);
    std::vector<std::string> row;
    for (const auto& record : list) { // every code once, so the strings have their size
        decoder.Decode(record);
        decoder.Row(row);
    }
    std::size_t i = 0;
    AllocationMeter meter;
    for (auto _ : state) {
        decoder.Decode(Pick(list, i));
        decoder.Row(row);
        benchmark::DoNotOptimize(row.data());
    }
    meter.Report(state);
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
BENCHMARK(BM_DecodeJournalRow)->ArgName("edition")->Arg(3)->Arg(2);

// --- Number formatting: {fmt} (the project's) against snprintf ------------

constexpr device::NumberFormat Formats[] = {
    device::NumberFormat::Fixed2,     device::NumberFormat::Fixed3,
    device::NumberFormat::Fixed4,     device::NumberFormat::Padded9_3,
    device::NumberFormat::Padded13_3, device::NumberFormat::Padded13_5,
    device::NumberFormat::General,
};
constexpr const char* PrintfFormats[] = {"%.2f",    "%.3f",    "%.4f", "%09.3f",
                                         "%013.3f", "%013.5f", "%g"};

// Values of the size archives carry: temperatures, pressures, masses, counters.
constexpr double Values[] = {80.25, 6.2, 0.001, 1234.5678, 56.125, 987654.321, 12.0, 0.5};
constexpr std::size_t ValueCount = sizeof Values / sizeof Values[0];

// One number text, with the project's formatter or with snprintf.
template <bool UsePrintf>
void AppendFormatted(std::string& out, device::NumberFormat format, double value) {
    if constexpr (UsePrintf) {
        char text[64];
        const int n =
            std::snprintf(text, sizeof text, PrintfFormats[static_cast<int>(format)], value);
        out.append(text, static_cast<std::size_t>(n));
    } else {
        device::AppendNumber(out, format, value);
    }
}

template <bool UsePrintf>
void FormatNumber(benchmark::State& state) {
    const auto format = Formats[state.range(0)];
    state.SetLabel(PrintfFormats[state.range(0)]);
    std::string out;
    out.reserve(64);
    std::size_t i = 0;
    for (auto _ : state) {
        out.clear();
        AppendFormatted<UsePrintf>(out, format, Values[i]);
        i = i + 1 == ValueCount ? 0 : i + 1;
        benchmark::DoNotOptimize(out.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
void BM_FormatNumber_fmt(benchmark::State& state) {
    FormatNumber<false>(state);
}
void BM_FormatNumber_snprintf(benchmark::State& state) {
    FormatNumber<true>(state);
}
BENCHMARK(BM_FormatNumber_fmt)->DenseRange(0, 6);
BENCHMARK(BM_FormatNumber_snprintf)->DenseRange(0, 6);

// The number cells of one hourly record, as the decoder formats them, with
// each formatter: what the choice of formatter is worth per record.
template <bool UsePrintf>
void HourlyNumberCells(benchmark::State& state) {
    const Edition& edition = EditionV3;
    const auto& list = Data(edition).HourArchive;
    const auto& table = *edition.Cells;
    std::vector<std::string> cells(table.Cells.size());
    std::size_t i = 0;
    for (auto _ : state) {
        const ArchiveStruct& record = Pick(list, i);
        for (int c = 0; c < table.PeriodCells; ++c) {
            const editions::ArchiveCell& cell = table.Cells[static_cast<std::size_t>(c)];
            if (cell.Kind != editions::CellKind::Number)
                continue;
            std::string& out = cells[static_cast<std::size_t>(c)];
            out.clear();
            const double value = device::GetArchiveField(edition, record, cell.Field);
            AppendFormatted<UsePrintf>(out, cell.Format, value);
        }
        benchmark::DoNotOptimize(cells.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
}
void BM_HourlyNumberCells_fmt(benchmark::State& state) {
    HourlyNumberCells<false>(state);
}
void BM_HourlyNumberCells_snprintf(benchmark::State& state) {
    HourlyNumberCells<true>(state);
}
BENCHMARK(BM_HourlyNumberCells_fmt);
BENCHMARK(BM_HourlyNumberCells_snprintf);

} // namespace

int main(int argc, char** argv) {
    return bench::Main(argc, argv);
}
