// Encoding a screenshot through the staged FreeImage copy: the conversion to a FreeImage
// bitmap (32-bit, and the 24-bit one the encoders save), each encoder's whole call, and FreeImage's
// own work on the same picture (24-bit copy, quantisation, bare save), so the share that is ours
// can be read off.
//
// Files go to a private folder in /dev/shm (or $TMPDIR when there is no /dev/shm), so disk
// noise stays out of the figures. Runs 5 repetitions and reports aggregates unless told
// otherwise on the command line; read the _median rows.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "output/FreeImageLibrary.h"
#include "output/ImageEncoder.h"
#include "output/StagedFile.h"

namespace {

using namespace pictavo;

// Gradients, soft shapes and sensor-like noise: compresses like a photograph, not like a
// flat desktop.
QImage photoLikePicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    QRandomGenerator random(42);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const int noise = random.bounded(-6, 7);
            const double wave = std::sin(x / 53.0) * std::cos(y / 41.0);
            const int r = 30 + 190 * x / (width - 1) + int(20 * wave) + noise;
            const int g = 20 + 200 * y / (height - 1) - int(15 * wave) + noise;
            const int b = 128 + int(90 * std::sin((x + 2 * y) / 97.0)) + noise;
            row[x] = qRgb(std::clamp(r, 0, 255), std::clamp(g, 0, 255), std::clamp(b, 0, 255));
        }
    }
    return image;
}

struct Format {
    const char* name;
    FREE_IMAGE_FORMAT fif;
    const char* extension;
    int flags;
};

const Format kFormats[] = {
    {"BMP", FIF_BMP, "bmp", 0}, {"GIF", FIF_GIF, "gif", 0},   {"JPEG", FIF_JPEG, "jpg", 85},
    {"PNG", FIF_PNG, "png", 0}, {"TIFF", FIF_TIFF, "tif", 0},
};

bool encode(ImageEncoder& encoder, const Format& format, const QString& path) {
    switch (format.fif) {
        case FIF_BMP:
            return encoder.SaveBMP(path);
        case FIF_GIF:
            return encoder.SaveGIF(path);
        case FIF_JPEG:
            return encoder.SaveJPG(path, static_cast<std::int16_t>(format.flags));
        case FIF_PNG:
            return encoder.SavePNG(path);
        default:
            return encoder.SaveTIF(path);
    }
}

QString outputRoot() {
    return QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                     : QDir::tempPath();
}

// Everything one picture size needs, made once and shared by its benchmarks.
struct Scene {
    Scene(FreeImageLibrary& library, int width, int height)
        : library(library),
          picture(photoLikePicture(width, height)),
          encoder(library, [this] { return &picture; }) {
        encoder.FreeImage_Convert_BMP_to_FI(&picture, converted);
        copy24 = library.ConvertTo24Bits(converted.get());
        quantized = library.ColorQuantize(copy24, FIQ_WUQUANT);
    }
    ~Scene() {
        library.Unload(quantized);
        library.Unload(copy24);
    }

    FreeImageLibrary& library;
    QImage picture;
    ImageEncoder encoder;
    DibPtr converted;
    FIBITMAP* copy24 = nullptr;
    FIBITMAP* quantized = nullptr;
};

void registerScene(Scene& scene, const QString& folder) {
    const std::string size =
        std::to_string(scene.picture.width()) + "x" + std::to_string(scene.picture.height());
    const auto configure = [](benchmark::internal::Benchmark* b) {
        b->Unit(benchmark::kMillisecond)->UseRealTime();
    };

    configure(benchmark::RegisterBenchmark(
        ("convert/" + size).c_str(), [&scene](benchmark::State& state) {
            for (auto _ : state) {
                DibPtr dib;
                if (!scene.encoder.FreeImage_Convert_BMP_to_FI(&scene.picture, dib)) {
                    state.SkipWithError("conversion failed");
                    break;
                }
                ImageEncoder::UnloadDib(dib);
            }
        }));
    // The conversion the encoders make: straight to the 24-bit bitmap they save.
    configure(benchmark::RegisterBenchmark(
        ("convert24/" + size).c_str(), [&scene](benchmark::State& state) {
            for (auto _ : state) {
                DibPtr dib;
                if (!scene.encoder.FreeImage_Convert_BMP_to_FI(&scene.picture, dib, 24)) {
                    state.SkipWithError("conversion failed");
                    break;
                }
                ImageEncoder::UnloadDib(dib);
            }
        }));
    configure(benchmark::RegisterBenchmark(
        ("freeimage_to24/" + size).c_str(), [&scene](benchmark::State& state) {
            for (auto _ : state) {
                scene.library.Unload(scene.library.ConvertTo24Bits(scene.converted.get()));
            }
        }));
    configure(benchmark::RegisterBenchmark(
        ("freeimage_quantize/" + size).c_str(), [&scene](benchmark::State& state) {
            for (auto _ : state) {
                scene.library.Unload(scene.library.ColorQuantize(scene.copy24, FIQ_WUQUANT));
            }
        }));
    for (const Format& format : kFormats) {
        const QString path =
            folder + QStringLiteral("/shot-%1.%2")
                         .arg(QString::fromStdString(size), QLatin1String(format.extension));
        const QByteArray barePath = QFile::encodeName(
            folder + QStringLiteral("/bare-%1.%2")
                         .arg(QString::fromStdString(size), QLatin1String(format.extension)));
        configure(benchmark::RegisterBenchmark(
            (std::string("encoder_") + format.name + "/" + size).c_str(),
            [&scene, format, path](benchmark::State& state) {
                for (auto _ : state) {
                    if (!encode(scene.encoder, format, path)) {
                        state.SkipWithError("encoder failed");
                        break;
                    }
                }
            }));
        // The same bare save, written under a staged name and renamed over the target as the
        // encoders do: what keeping an existing file whole costs.
        configure(benchmark::RegisterBenchmark(
            (std::string("staged_save_") + format.name + "/" + size).c_str(),
            [&scene, format, path](benchmark::State& state) {
                FIBITMAP* dib = format.fif == FIF_GIF ? scene.quantized : scene.copy24;
                for (auto _ : state) {
                    StagedFile staged(path);
                    if (scene.library.Save(format.fif, dib, staged.temporaryPath().constData(),
                                           format.flags) != 1 ||
                        !staged.commit()) {
                        state.SkipWithError("staged save failed");
                        break;
                    }
                }
            }));
        configure(benchmark::RegisterBenchmark(
            (std::string("freeimage_save_") + format.name + "/" + size).c_str(),
            [&scene, format, barePath](benchmark::State& state) {
                FIBITMAP* dib = format.fif == FIF_GIF ? scene.quantized : scene.copy24;
                for (auto _ : state) {
                    if (scene.library.Save(format.fif, dib, barePath.constData(), format.flags) !=
                        1) {
                        state.SkipWithError("save failed");
                        break;
                    }
                }
            }));
    }
}

}  // namespace

int main(int argc, char** argv) {
    // Medians over repetitions by default; later arguments on the command line win.
    std::vector<char*> args{argv[0]};
    std::string repetitions = "--benchmark_repetitions=5";
    std::string aggregates = "--benchmark_report_aggregates_only=true";
    args.push_back(repetitions.data());
    args.push_back(aggregates.data());
    for (int i = 1; i < argc; ++i) {
        args.push_back(argv[i]);
    }
    int count = int(args.size());
    benchmark::Initialize(&count, args.data());
    if (benchmark::ReportUnrecognizedArguments(count, args.data())) {
        return 1;
    }

    QTemporaryDir folder(outputRoot() + QStringLiteral("/pictavo-bench-XXXXXX"));
    if (!folder.isValid()) {
        std::fprintf(stderr, "cannot create an output folder under %s\n", qPrintable(outputRoot()));
        return 1;
    }
    pictavo::FreeImageLibrary library(QStringLiteral(PICTAVO_PLUGIN_DIR "/libfreeimage.so.3"));
    Scene fullHd(library, 1920, 1080);
    Scene ultraHd(library, 3840, 2160);
    // What each encoder call spends on starting and stopping the library.
    benchmark::RegisterBenchmark("freeimage_init_deinit", [&fullHd](benchmark::State& state) {
        for (auto _ : state) {
            fullHd.encoder.InitFreeImage();
            fullHd.library.DeInitialise();
        }
    })->Unit(benchmark::kMicrosecond);
    registerScene(fullHd, folder.path());
    registerScene(ultraHd, folder.path());

    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
