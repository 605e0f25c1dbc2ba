// pq-gen-images: draws the program's built-in pictures and packs them.
//
//   pq-gen-images --out DIR            writes DIR/pastelloquin_images.zip (the
//                                      JPEG archive), DIR/pastelloquin_form_images.zip
//                                      (brush sheets, tips and frames as PNG) and
//                                      DIR/pastelloquin_splash.zip (the splash artwork as PNG)
//   pq-gen-images --preview DIR [--only NAME,...]
//                                      writes every picture (or the named ones) as
//                                      PNG into DIR, with contact_sheet.png
#include "images.h"
#include "zip_writer.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <functional>
#include <memory>
#include <thread>

namespace {

// The archive a picture goes into: JPEG images, or PNG form or splash art.
enum class Archive { Images, Form, Splash };

struct Job {
    QString member;     // name inside its archive
    Archive archive = Archive::Images;
    int quality = 92;
    double cost = 1;    // rough work estimate, for scheduling
    std::function<QImage()> draw;
    QImage image;
    QByteArray bytes;
};

std::vector<Job> MakeJobs()
{
    using namespace gen;
    std::vector<Job> jobs;
    auto jpg = [&](const char* name, double cost, int quality, std::function<QImage()> fn) {
        jobs.push_back({QString::fromLatin1(name), Archive::Images, quality, cost, std::move(fn), {}, {}});
    };
    auto png = [&](const QString& name, double cost, std::function<QImage()> fn) {
        jobs.push_back({name, Archive::Form, 70, cost, std::move(fn), {}, {}});
    };
    auto splash = [&](const char* name, double cost, std::function<QImage()> fn) {
        jobs.push_back({QString::fromLatin1(name), Archive::Splash, 70, cost, std::move(fn), {}, {}});
    };
    // The archive, in its fixed member order.
    jpg("WatercolorTextureBest.jpg", 0.1, 90, [] { return WatercolorPaper(256, 256, 901); });
    jpg("OldWatercolorTexture.jpg", 0.1, 90, [] { return RoughWatercolorTexture(256, 902); });
    jpg("PaperTexture.jpg", 0.1, 90, [] { return PaperTexture(256, 903); });
    jpg("OilPaintingTexture.jpg", 0.1, 90, [] { return ImpastoTexture(256, 904); });
    jpg("DefaultImage.jpg", 6, 95, [] { return DefaultImage(); });
    jpg("WatercolorTexture.jpg", 1.5, 93, [] { return WatercolorPaper(1024, 1024, 11); });
    jpg("ClothTexture.jpg", 0.1, 90, [] { return FabricTexture(256, 905); });
    jpg("PencilTexture.jpg", 0.3, 95, [] { return PencilTexture(); });
    jpg("OldFilmTexture.jpg", 5, 92, [] { return OldFilmTexture(); });
    jpg("VCLwatercolortexture.jpg", 1.2, 93, [] { return WatercolorPaper(1024, 768, 12); });
    jpg("TL_Canvas.jpg", 1.5, 93, [] { return CanvasTexture(1024, 21); });
    jpg("TL_Paper.jpg", 1.5, 93, [] { return PaperTexture(1024, 22); });
    jpg("TL_Impasto.jpg", 2.5, 93, [] { return ImpastoTexture(1024, 23); });
    jpg("TL_watercolor.jpg", 1.5, 93, [] { return RoughWatercolorTexture(1024, 24); });
    jpg("TL_cardboard.jpg", 1.5, 93, [] { return CardboardTexture(1024, 25); });
    jpg("TL_fabric.jpg", 1.5, 93, [] { return FabricTexture(1024, 26); });
    // The form images.
    png(QStringLiteral("DefaultBrushes.png"), 3, [] { return DefaultBrushSheet(); });
    png(QStringLiteral("PastelBrushes.png"), 1.5, [] { return PastelBrushSheet(); });
    png(QStringLiteral("WatercolorBrushes.png"), 2, [] { return WatercolorBrushSheet(); });
    png(QStringLiteral("TemplateMatchingBrushes.png"), 2.5, [] { return TemplateMatchingSheet(); });
    png(QStringLiteral("PaintBrushSim.png"), 0.05, [] { return BrushTip(80, 80, 31); });
    png(QStringLiteral("PaintBrushSim2.png"), 0.05, [] { return BrushTip(54, 56, 32); });
    png(QStringLiteral("PaintBrushSim3.png"), 0.05, [] { return BrushTip(38, 39, 33); });
    const double frameCost[9] = {4, 4.5, 1.2, 1.2, 5.5, 1, 4, 0.01, 4};
    for (int n = 1; n <= 9; ++n)
        png(QStringLiteral("Frame_%1.png").arg(n), frameCost[n - 1], [n] { return PictureFrame(n); });
    // The splash window.
    splash("SplashBackground.png", 1.5, [] { return SplashBackground(); });
    splash("BackSwirl.png", 0.5, [] { return SplashBackSwirl(); });
    splash("BackSwirlShadow.png", 0.6, [] { return SplashBackSwirlShadow(); });
    splash("TopSwirl.png", 0.1, [] { return SplashTopSwirl(); });
    splash("TopSwirlGlow.png", 0.2, [] { return SplashTopSwirlGlow(); });
    splash("PQLogo.png", 0.05, [] { return ProductLogo(); });
    splash("AtelioText.png", 0.05, [] { return AtelioLettering(); });
    return jobs;
}

QByteArray Encode(const QImage& image, bool asPng, int quality)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, asPng ? "png" : "jpg");
    writer.setQuality(quality);
    if (!writer.write(image)) {
        std::fprintf(stderr, "pq-gen-images: encoding failed: %s\n", qPrintable(writer.errorString()));
        return {};
    }
    return bytes;
}

void RunJobs(std::vector<Job*>& todo, bool encodeToo)
{
    std::sort(todo.begin(), todo.end(), [](const Job* a, const Job* b) { return a->cost > b->cost; });
    std::atomic<size_t> next{0};
    const int env = qEnvironmentVariableIntValue("PQ_GEN_THREADS");
    const unsigned threads = env > 0 ? unsigned(env) : std::min(4u, std::max(1u, std::thread::hardware_concurrency()));
    auto work = [&] {
        for (size_t i; (i = next.fetch_add(1)) < todo.size();) {
            Job* job = todo[i];
            QElapsedTimer t;
            t.start();
            job->image = job->draw();
            const qint64 drawn = t.elapsed();
            if (encodeToo)
                job->bytes = Encode(job->image, job->archive != Archive::Images, job->quality);
            if (qEnvironmentVariableIsSet("PQ_GEN_TIMES"))
                std::fprintf(stderr, "%-28s draw %5lld ms, encode %5lld ms\n", qPrintable(job->member),
                             static_cast<long long>(drawn), static_cast<long long>(t.elapsed() - drawn));
        }
    };
    std::vector<std::thread> pool;
    for (unsigned i = 1; i < threads; ++i)
        pool.emplace_back(work);
    work();
    for (auto& t : pool)
        t.join();
}

QImage ContactSheet(const std::vector<Job*>& jobs)
{
    const int cell = 300, label = 22, cols = 6;
    const int rows = int((jobs.size() + cols - 1) / cols);
    QImage sheet(cols * cell, rows * (cell + label), QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(60, 60, 64));
    QPainter p(&sheet);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    for (size_t i = 0; i < jobs.size(); ++i) {
        const int cx = int(i % cols) * cell, cy = int(i / cols) * (cell + label);
        const QImage& img = jobs[i]->image;
        const QRect box(cx + 6, cy + 6, cell - 12, cell - 12);
        // Checkerboard behind transparent pictures.
        for (int y = box.top(); y < box.bottom(); y += 12)
            for (int x = box.left(); x < box.right(); x += 12)
                p.fillRect(QRect(x, y, 12, 12).intersected(box),
                           ((x - box.left()) / 12 + (y - box.top()) / 12) % 2 ? QColor(200, 200, 200) : QColor(245, 245, 245));
        QSize s = img.size().scaled(box.size(), Qt::KeepAspectRatio);
        p.drawImage(QRect(box.left() + (box.width() - s.width()) / 2, box.top() + (box.height() - s.height()) / 2,
                          s.width(), s.height()),
                    img);
        p.setPen(Qt::white);
        p.drawText(QRect(cx, cy + cell, cell, label), Qt::AlignCenter,
                   QStringLiteral("%1  %2x%3").arg(jobs[i]->member).arg(img.width()).arg(img.height()));
    }
    return sheet;
}

} // namespace

int main(int argc, char* argv[])
{
    QString outDir, previewDir;
    QStringList only;
    for (int i = 1; i < argc; ++i) {
        const QString arg = QString::fromLocal8Bit(argv[i]);
        if (arg == QLatin1String("--out") && i + 1 < argc)
            outDir = QString::fromLocal8Bit(argv[++i]);
        else if (arg == QLatin1String("--preview") && i + 1 < argc)
            previewDir = QString::fromLocal8Bit(argv[++i]);
        else if (arg == QLatin1String("--only") && i + 1 < argc)
            only = QString::fromLocal8Bit(argv[++i]).split(QLatin1Char(','), Qt::SkipEmptyParts);
        else {
            std::fprintf(stderr, "usage: pq-gen-images --out DIR | --preview DIR [--only NAME,...]\n");
            return 2;
        }
    }
    if (outDir.isEmpty() && previewDir.isEmpty()) {
        std::fprintf(stderr, "usage: pq-gen-images --out DIR | --preview DIR [--only NAME,...]\n");
        return 2;
    }

    // Text on the contact sheet needs a GUI application; packing does not.
    std::unique_ptr<QCoreApplication> app;
    if (!previewDir.isEmpty()) {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }

    QElapsedTimer timer;
    timer.start();
    std::vector<Job> jobs = MakeJobs();
    std::vector<Job*> todo;
    for (Job& job : jobs)
        if (only.isEmpty() || std::any_of(only.begin(), only.end(), [&](const QString& o) { return job.member.contains(o, Qt::CaseInsensitive); }))
            todo.push_back(&job);
    RunJobs(todo, !outDir.isEmpty());

    if (!outDir.isEmpty()) {
        std::vector<std::pair<QString, QByteArray>> archive, form, splashArt;
        for (const Job& job : jobs) {
            if (job.bytes.isEmpty()) {
                std::fprintf(stderr, "pq-gen-images: %s was not made\n", qPrintable(job.member));
                return 1;
            }
            auto& members = job.archive == Archive::Images ? archive : job.archive == Archive::Form ? form : splashArt;
            members.emplace_back(job.member, job.bytes);
        }
        QDir().mkpath(outDir);
        QString error;
        if (!gen::WriteStoredZip(outDir + QStringLiteral("/pastelloquin_images.zip"), archive, &error) ||
            !gen::WriteStoredZip(outDir + QStringLiteral("/pastelloquin_form_images.zip"), form, &error) ||
            !gen::WriteStoredZip(outDir + QStringLiteral("/pastelloquin_splash.zip"), splashArt, &error)) {
            std::fprintf(stderr, "pq-gen-images: %s\n", qPrintable(error));
            return 1;
        }
    }
    if (!previewDir.isEmpty()) {
        QDir().mkpath(previewDir);
        std::vector<Job*> drawn;
        for (Job& job : jobs)
            if (!job.image.isNull()) {
                QString base = job.member;
                base.chop(4);
                job.image.save(previewDir + QLatin1Char('/') + base + QStringLiteral(".png"));
                // A 1:1 detail from the middle, for judging fine texture.
                const QSize detail(std::min(job.image.width(), 480), std::min(job.image.height(), 480));
                // Frames show their top-left corner, everything else its middle.
                const QPoint at = job.member.startsWith(QLatin1String("Frame"))
                                      ? QPoint(0, 0)
                                      : QPoint((job.image.width() - detail.width()) / 2, (job.image.height() - detail.height()) / 2);
                QImage crop = job.image.copy(QRect(at, detail));
                if (crop.width() < 160) {
                    // Small pictures are shown enlarged over a grey ground.
                    QImage big(crop.width() * 4, crop.height() * 4, QImage::Format_ARGB32_Premultiplied);
                    big.fill(QColor(235, 235, 235));
                    QPainter p(&big);
                    p.drawImage(big.rect(), crop);
                    crop = big;
                }
                if (job.archive == Archive::Images) {
                    // The four corners meet in the middle: seams would show.
                    const int half = std::min(240, std::min(job.image.width(), job.image.height()) / 2);
                    QImage seam(2 * half, 2 * half, QImage::Format_RGB32);
                    QPainter sp(&seam);
                    const int w = job.image.width(), h = job.image.height();
                    sp.drawImage(0, 0, job.image.copy(w - half, h - half, half, half));
                    sp.drawImage(half, 0, job.image.copy(0, h - half, half, half));
                    sp.drawImage(0, half, job.image.copy(w - half, 0, half, half));
                    sp.drawImage(half, half, job.image.copy(0, 0, half, half));
                    sp.end();
                    seam.save(previewDir + QLatin1Char('/') + base + QStringLiteral("_seam.png"));
                }
                crop.save(previewDir + QLatin1Char('/') + base + QStringLiteral("_detail.png"));
                drawn.push_back(&job);
            }
        ContactSheet(drawn).save(previewDir + QStringLiteral("/contact_sheet.png"));
    }
    std::printf("pq-gen-images: %d pictures in %lld ms\n", int(todo.size()), static_cast<long long>(timer.elapsed()));
    return 0;
}
