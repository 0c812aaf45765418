// Decoding speed of our GIF reader against giflib (DGifSlurp, colour indexes out) and
// stb_image on the same in-memory files, in one run. Before timing anything it checks that
// our first image's indexes and palette equal giflib's. Prints Mpix/s per decoder and file, then
// the ratio of ours to giflib.
//
// Usage: gif_bench [google benchmark options]   (files from the build's bench/gifs folder);
// with --benchmark_repetitions=N the summary uses each median.

#include "imaging/gif_reader.h"

#include <benchmark/benchmark.h>
#include <gif_lib.h>

extern "C" {
unsigned char* stbi_load_from_memory(const unsigned char* buffer, int len, int* x, int* y,
                                     int* channels_in_file, int desired_channels);
unsigned char* stbi_load_gif_from_memory(const unsigned char* buffer, int len, int** delays, int* x,
                                         int* y, int* z, int* comp, int req_comp);
void stbi_image_free(void* retval_from_stbi_load);
}

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

namespace {

struct BenchFile {
    std::string name;
    std::vector<std::uint8_t> bytes;
    std::int64_t pixels = 0; // of every frame
    int frames = 0;
    bool animated = false;
};

std::vector<BenchFile> g_files;

struct MemoryInput {
    const std::uint8_t* p;
    std::size_t left;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int n) {
    auto* in = static_cast<MemoryInput*>(gif->UserData);
    const std::size_t take = std::min<std::size_t>(std::size_t(n), in->left);
    std::memcpy(buffer, in->p, take);
    in->p += take;
    in->left -= take;
    return int(take);
}

// giflib's whole-file read; returns the file (caller closes) or null.
GifFileType* GiflibSlurp(const BenchFile& file) {
    MemoryInput in{file.bytes.data(), file.bytes.size()};
    int error = 0;
    GifFileType* gif = DGifOpen(&in, ReadFromMemory, &error);
    if (gif == nullptr) {
        return nullptr;
    }
    if (DGifSlurp(gif) != GIF_OK) {
        DGifCloseFile(gif, &error);
        return nullptr;
    }
    gif->UserData = nullptr;
    return gif;
}

void BM_Ours(benchmark::State& state, const BenchFile* file) {
    for (auto _ : state) {
        tamberlin::GifPicture picture =
            tamberlin::ReadGifPicture(file->bytes.data(), file->bytes.size());
        benchmark::DoNotOptimize(picture.pixels.data());
    }
    state.counters["Mpix/s"] = benchmark::Counter(double(file->pixels) / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Giflib(benchmark::State& state, const BenchFile* file) {
    for (auto _ : state) {
        GifFileType* gif = GiflibSlurp(*file);
        if (gif == nullptr) {
            state.SkipWithError("giflib failed");
            break;
        }
        benchmark::DoNotOptimize(gif->SavedImages[0].RasterBits);
        int error = 0;
        DGifCloseFile(gif, &error);
    }
    state.counters["Mpix/s"] = benchmark::Counter(double(file->pixels) / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
}

void BM_Stb(benchmark::State& state, const BenchFile* file) {
    for (auto _ : state) {
        int w = 0, h = 0, comp = 0, frames = 0;
        unsigned char* pixels = nullptr;
        if (file->animated) {
            int* delays = nullptr;
            pixels = stbi_load_gif_from_memory(file->bytes.data(), int(file->bytes.size()), &delays,
                                               &w, &h, &frames, &comp, 4);
            std::free(delays);
        } else {
            pixels = stbi_load_from_memory(file->bytes.data(), int(file->bytes.size()), &w, &h,
                                           &comp, 4);
        }
        if (pixels == nullptr) {
            state.SkipWithError("stb_image failed");
            break;
        }
        benchmark::DoNotOptimize(pixels);
        stbi_image_free(pixels);
    }
    state.counters["Mpix/s"] = benchmark::Counter(double(file->pixels) / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
}

// Reads the files and checks our first image against giflib's before anything is timed.
bool Prepare() {
    for (const char* name : {"photo", "photo_interlaced", "lines", "animation", "icon"}) {
        BenchFile file;
        file.name = name;
        const std::string path = std::string(BENCH_GIF_DIR) + "/" + name + ".gif";
        std::ifstream in(path, std::ios::binary);
        file.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        if (file.bytes.empty()) {
            std::fprintf(stderr, "cannot read %s\n", path.c_str());
            return false;
        }
        GifFileType* gif = GiflibSlurp(file);
        if (gif == nullptr) {
            std::fprintf(stderr, "giflib cannot read %s\n", path.c_str());
            return false;
        }
        file.frames = gif->ImageCount;
        file.animated = gif->ImageCount > 1;
        for (int i = 0; i < gif->ImageCount; ++i) {
            file.pixels += std::int64_t{gif->SavedImages[i].ImageDesc.Width} *
                           gif->SavedImages[i].ImageDesc.Height;
        }
        const SavedImage& first = gif->SavedImages[0];
        tamberlin::GifPicture ours;
        try {
            ours = tamberlin::ReadGifPicture(file.bytes.data(), file.bytes.size());
        } catch (const std::exception& e) {
            std::fprintf(stderr, "our reader fails on %s: %s\n", name, e.what());
            return false;
        }
        const std::size_t n = std::size_t(first.ImageDesc.Width) * first.ImageDesc.Height;
        if (ours.width != first.ImageDesc.Width || ours.height != first.ImageDesc.Height ||
            std::memcmp(ours.pixels.data(), first.RasterBits, n) != 0) {
            std::fprintf(stderr, "%s: our indexes differ from giflib's\n", name);
            return false;
        }
        const ColorMapObject* map =
            first.ImageDesc.ColorMap != nullptr ? first.ImageDesc.ColorMap : gif->SColorMap;
        for (int i = 0; map != nullptr && i < map->ColorCount; ++i) {
            const tamberlin::TRGB& c = ours.palette[std::size_t(i)];
            if (c.r != map->Colors[i].Red || c.g != map->Colors[i].Green ||
                c.b != map->Colors[i].Blue) {
                std::fprintf(stderr, "%s: our palette differs from giflib's\n", name);
                return false;
            }
        }
        int error = 0;
        DGifCloseFile(gif, &error);
        std::printf("%-17s %5d frame(s), %6.1f Mpix, %8zu bytes: indexes and palette equal "
                    "giflib's\n",
                    name, file.frames, double(file.pixels) / 1e6, file.bytes.size());
        g_files.push_back(std::move(file));
    }
    return true;
}

// Keeps each run's pixel rate so the ratios can be printed after the console table.
class RateReporter : public benchmark::ConsoleReporter {
public:
    std::map<std::string, double> rate;
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            const auto it = run.counters.find("Mpix/s");
            if (it == run.counters.end()) {
                continue;
            }
            // With --benchmark_repetitions the median stands for the file; without, the run.
            if (run.run_type == Run::RT_Iteration && run.repetitions <= 1) {
                rate[run.run_name.str()] = it->second.value;
            } else if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                rate[run.run_name.str()] = it->second.value;
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
};

} // namespace

int main(int argc, char** argv) {
    if (!Prepare()) {
        return 1;
    }
    for (const BenchFile& file : g_files) {
        benchmark::RegisterBenchmark(("ours/" + file.name).c_str(), BM_Ours, &file)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("giflib/" + file.name).c_str(), BM_Giflib, &file)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("stb_image/" + file.name).c_str(), BM_Stb, &file)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    RateReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    std::printf("\n%-17s %12s %12s %12s %14s\n", "file", "ours Mpix/s", "giflib", "stb_image",
                "ours / giflib");
    for (const BenchFile& file : g_files) {
        const double ours = reporter.rate["ours/" + file.name];
        const double gif = reporter.rate["giflib/" + file.name];
        const double stb = reporter.rate["stb_image/" + file.name];
        std::printf("%-17s %12.1f %12.1f %12.1f %13.2fx\n", file.name.c_str(), ours, gif, stb,
                    gif > 0 ? ours / gif : 0.0);
    }
    benchmark::Shutdown();
    return 0;
}
