// Frame path: the CRC-16 of every frame and record, and the byte-order
// conversion of the register images.
//
//     build/default/bench/rx58_bench_frame

#include "BenchSupport.h"
#include "device/Rx58datatypes.h"
#include "editions/Edition.h"
#include "protocol/Crc16.h"

#include <cstdio>
#include <numeric>
#include <vector>

namespace {

std::vector<std::uint8_t> Pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 131 + 17);
    return bytes;
}

// Sizes met on the line: a request (6 bytes before its CRC), an hourly
// record's check span (148), a full reply (510), and a long buffer.
void BM_Crc16(benchmark::State& state) {
    const auto bytes = Pattern(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(bytes.data());
        benchmark::DoNotOptimize(Crc16(bytes.data(), bytes.size()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Crc16)->Arg(6)->Arg(148)->Arg(510)->Arg(65536);

const Edition* EditionOf(const benchmark::State& state) {
    return state.range(0) == 3 ? &EditionV3 : &EditionV2;
}

// One conversion of a whole image of the edition, in place.
void SwapImages(benchmark::State& state, const ImageSpec& spec,
                bool (*swap)(const Edition&, std::uint8_t*)) {
    const Edition& edition = *EditionOf(state);
    auto image = Pattern(static_cast<std::size_t>(spec.BufferBytes));
    for (auto _ : state) {
        swap(edition, image.data());
        benchmark::DoNotOptimize(image.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * spec.RegisterBytes());
}

void BM_SwapCurrentImage(benchmark::State& state) {
    SwapImages(state, EditionOf(state)->Current, SwapCurrentImage);
}
BENCHMARK(BM_SwapCurrentImage)->ArgName("edition")->Arg(3)->Arg(2);

void BM_SwapSetupImage(benchmark::State& state) {
    SwapImages(state, EditionOf(state)->Setup, SwapSetupImage);
}
BENCHMARK(BM_SwapSetupImage)->ArgName("edition")->Arg(3)->Arg(2);

} // namespace

int main(int argc, char** argv) {
    return bench::Main(argc, argv);
}
