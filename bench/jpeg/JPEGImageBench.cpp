// Saving the monitor chart as JPEG: TJPEGImage's compression of the chart
// bitmap against the library used directly on the same pixels (blue-first
// rows, its own memory destination), at the window's design size and at
// full-HD size. The goal is to stay within 10 % of the bare library.
#include "SampleTables.h"

#include "jpeg/JPEGImage.h"
#include "monitor/MonitorChart.h"

#include <QGuiApplication>
#include <QImage>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace {

QImage ChartBitmap(int width, int height)
{
    return RenderMonitorChart(sample::RealisticLine(), design::RangeAll, width, height);
}

// What Save As does before writing: a new image, the bitmap assigned, compressed.
void BM_TJPEGImage(benchmark::State& state)
{
    const QImage bitmap = ChartBitmap(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    std::size_t bytes = 0;
    for (auto _ : state) {
        TJPEGImage image;
        image.Assign(bitmap);
        bytes = image.JPEGBytes().size();
        benchmark::DoNotOptimize(bytes);
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_TJPEGImage)->Args({696, 237})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);

// The library alone: same pixels, same settings, all rows in one call.
void BM_BareLibrary(benchmark::State& state)
{
    const QImage bitmap = ChartBitmap(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    std::vector<JSAMPROW> rows(static_cast<std::size_t>(bitmap.height()));
    for (int y = 0; y < bitmap.height(); ++y)
        rows[static_cast<std::size_t>(y)] = const_cast<JSAMPROW>(bitmap.constScanLine(y));
    unsigned long bytes = 0;
    for (auto _ : state) {
        jpeg_compress_struct info{};
        jpeg_error_mgr errors{};
        info.err = jpeg_std_error(&errors);
        jpeg_create_compress(&info);
        unsigned char* buffer = nullptr;
        bytes = 0;
        jpeg_mem_dest(&info, &buffer, &bytes);
        info.image_width = static_cast<JDIMENSION>(bitmap.width());
        info.image_height = static_cast<JDIMENSION>(bitmap.height());
        info.input_components = 4;
        info.in_color_space = JCS_EXT_BGRX;
        jpeg_set_defaults(&info);
        jpeg_set_quality(&info, 90, TRUE);
        jpeg_start_compress(&info, TRUE);
        while (info.next_scanline < info.image_height)
            jpeg_write_scanlines(&info, rows.data() + info.next_scanline, info.image_height - info.next_scanline);
        jpeg_finish_compress(&info);
        jpeg_destroy_compress(&info);
        benchmark::DoNotOptimize(buffer);
        std::free(buffer);
    }
    state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_BareLibrary)->Args({696, 237})->Args({1920, 1080})->Unit(benchmark::kMicrosecond);

}  // namespace
