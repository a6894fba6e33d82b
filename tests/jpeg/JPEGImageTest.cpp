// The picture object: files against the library used directly, compressing
// once, sharing data, saving safely, reading files lazily, and the preview
// reader behind the registry of picture formats.
#include "BareJPEG.h"

#include "jpeg/FileError.h"
#include "jpeg/InvalidGraphicOperation.h"
#include "jpeg/JPEGError.h"
#include "jpeg/JPEGFormat.h"
#include "jpeg/JPEGImage.h"
#include "jpeg/PictureFormats.h"

#include <QPainter>
#include <atomic>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <jerror.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

class JPEGImageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/jpegtest-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        fDir = pattern;
    }
    void TearDown() override { fs::remove_all(fDir); }

    std::string Path(const std::string& name) const { return (fDir / name).string(); }
    // Every entry of the folder, to catch temporary files left behind.
    std::vector<std::string> Entries() const
    {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(fDir))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path fDir;
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteFile(const std::string& path, const std::string& bytes)
{
    std::ofstream(path, std::ios::binary) << bytes;
}

// A chart-like picture: white ground, a smooth band, and solid blue and
// green bars with black edges.
QImage ChartLike(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    QLinearGradient band(0, 0, width, 0);
    band.setColorAt(0, QColor(255, 200, 0));
    band.setColorAt(1, QColor(0, 160, 255));
    painter.fillRect(0, 0, width, height / 4, band);
    for (int x = 8; x + 8 < width; x += 16) {
        const int top = height / 3 + (x * 7) % (height / 2);
        painter.fillRect(x, top, 8, height - top, x < width / 3 ? QColor(0, 128, 0) : QColor(0, 0, 255));
        painter.setPen(Qt::black);
        painter.drawLine(x, height - 1, x + 8, height - 1);
    }
    return image;
}

std::string Bare(const QImage& rgb32)
{
    return bare::Compress(rgb32.constBits(), rgb32.width(), rgb32.height(), rgb32.bytesPerLine(), 4);
}

}  // namespace

TEST_F(JPEGImageTest, SavedFileIsTheLibrarysOwnAndDecodesToTheBitmap)
{
    const QImage bitmap = ChartLike(696, 237);
    TJPEGImage image;
    image.Assign(bitmap);
    image.SaveToFile(Path("chart.jpg"));
    const std::string file = ReadFile(Path("chart.jpg"));
    EXPECT_EQ(file, Bare(bitmap));

    const bare::Picture decoded = bare::Decompress(file);
    ASSERT_EQ(decoded.Width, 696);
    ASSERT_EQ(decoded.Height, 237);
    ASSERT_EQ(decoded.Components, 3);
    // Within what quality 90 keeps: under 3 levels on average; larger errors
    // only along the sharp colour edges, whose colour is kept at half resolution.
    long total = 0;
    long far = 0;
    for (int y = 0; y < 237; ++y)
        for (int x = 0; x < 696; ++x) {
            const QRgb want = bitmap.pixel(x, y);
            const std::uint8_t* got = decoded.At(x, y);
            for (const int diff : {got[0] - qRed(want), got[1] - qGreen(want), got[2] - qBlue(want)}) {
                total += std::abs(diff);
                far += std::abs(diff) > 16;
            }
        }
    const double samples = 696.0 * 237 * 3;
    EXPECT_LT(total / samples, 3.0);
    EXPECT_LT(far / samples, 0.06);
    EXPECT_EQ(Entries(), std::vector<std::string>{"chart.jpg"});
}

TEST_F(JPEGImageTest, PureRedStaysRedIn32And24BitBitmaps)
{
    for (const QImage::Format format : {QImage::Format_RGB32, QImage::Format_BGR888, QImage::Format_RGB888}) {
        SCOPED_TRACE(format);
        QImage red(40, 24, format);
        red.fill(QColor(255, 0, 0));
        TJPEGImage image;
        image.Assign(red);
        const bare::Picture decoded = bare::Decompress(image.JPEGBytes());
        for (int y = 0; y < decoded.Height; y += 5)
            for (int x = 0; x < decoded.Width; x += 5) {
                const std::uint8_t* p = decoded.At(x, y);
                ASSERT_GE(p[0], 250);
                ASSERT_LE(p[1], 5);
                ASSERT_LE(p[2], 5);
            }
    }
}

TEST_F(JPEGImageTest, NothingToCompressWritesAnEmptyFile)
{
    WriteFile(Path("never.jpg"), "old content");
    TJPEGImage never;
    never.SaveToFile(Path("never.jpg"));
    EXPECT_EQ(fs::file_size(Path("never.jpg")), 0u);

    TJPEGImage zeroWide;
    zeroWide.Assign(QImage(0, 10, QImage::Format_RGB32));
    zeroWide.SaveToFile(Path("zero.jpg"));
    EXPECT_EQ(fs::file_size(Path("zero.jpg")), 0u);
    EXPECT_EQ(zeroWide.Width(), 0);
}

TEST_F(JPEGImageTest, SavingAgainCompressesOnlyAfterANewBitmap)
{
    TJPEGImage image;
    int starts = 0;
    image.OnProgress = [&starts](TProgressStage stage, int, bool&) { starts += stage == psStarting; };
    image.Assign(ChartLike(120, 60));
    image.SaveToFile(Path("a.jpg"));
    image.SaveToFile(Path("b.jpg"));
    std::ostringstream stream;
    image.SaveToStream(stream);
    EXPECT_EQ(starts, 1);
    EXPECT_EQ(ReadFile(Path("a.jpg")), ReadFile(Path("b.jpg")));
    EXPECT_EQ(stream.str(), ReadFile(Path("a.jpg")));

    QImage changed = ChartLike(120, 60);
    changed.setPixel(60, 30, qRgb(255, 0, 0));
    image.Assign(changed);
    image.SaveToFile(Path("c.jpg"));
    EXPECT_EQ(starts, 2);
    EXPECT_NE(ReadFile(Path("c.jpg")), ReadFile(Path("a.jpg")));
    EXPECT_EQ(ReadFile(Path("c.jpg")), Bare(changed));
}

TEST_F(JPEGImageTest, AssignedImagesShareCompressedData)
{
    TJPEGImage first;
    first.Assign(ChartLike(64, 32));
    const std::string bytes = first.JPEGBytes();
    TJPEGImage second;
    second.Assign(QImage(5, 5, QImage::Format_RGB32));
    second.Assign(first);
    EXPECT_EQ(second.Data(), first.Data());
    EXPECT_EQ(first.Data().use_count(), 2);
    EXPECT_EQ(second.Width(), 64);

    // A new bitmap in one leaves the other with the old record and bytes.
    first.Assign(ChartLike(32, 16));
    EXPECT_EQ(second.Data().use_count(), 1);
    EXPECT_EQ(second.JPEGBytes(), bytes);
    EXPECT_NE(first.JPEGBytes(), bytes);

    // Compressing again never rewrites shared bytes.
    TJPEGImage third;
    third.Assign(second);
    ASSERT_TRUE(second.Compress());
    EXPECT_NE(second.Data(), third.Data());
    EXPECT_EQ(third.JPEGBytes(), bytes);

    // The source had no bitmap (read from bytes): neither has the copy.
    TJPEGImage read;
    read.LoadFromBytes(bytes);
    second.Assign(read);
    EXPECT_FALSE(second.HasBitmap());
    EXPECT_EQ(second.Width(), 64);
}

TEST_F(JPEGImageTest, SizeCannotBeChanged)
{
    TJPEGImage image;
    image.Assign(ChartLike(64, 32));
    for (const auto set : {&TJPEGImage::SetWidth, &TJPEGImage::SetHeight})
        EXPECT_THROW(
            try { (image.*set)(10); } catch (const EInvalidGraphicOperation& e) {
                EXPECT_STREQ(e.what(), "Cannot change the size of a JPEG image");
                throw;
            },
            EInvalidGraphicOperation);
    EXPECT_EQ(image.Width(), 64);
}

TEST_F(JPEGImageTest, FailedSaveKeepsTheOldFileAndLeavesNothingBehind)
{
    TJPEGImage image;
    image.Assign(ChartLike(64, 32));
    const std::string missing = Path("no-such-folder/chart.jpg");
    try {
        image.SaveToFile(missing);
        FAIL() << "no error";
    } catch (const EFileError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + missing + "\". No such file or directory");
    }
    try {
        image.SaveToFile(fDir.string());
        FAIL() << "a folder was replaced";
    } catch (const EFileError&) {
    }

    // A library error (a picture too wide for the format) changes nothing.
    WriteFile(Path("old.jpg"), "old content");
    TJPEGImage tooWide;
    tooWide.Assign(QImage(70000, 1, QImage::Format_RGB32));
    try {
        tooWide.SaveToFile(Path("old.jpg"));
        FAIL() << "no error";
    } catch (const EJPEG& e) {
        EXPECT_EQ(e.Code(), JERR_IMAGE_TOO_BIG);
        EXPECT_EQ(std::string(e.what()), "JPEG error #" + std::to_string(JERR_IMAGE_TOO_BIG));
    }
    EXPECT_EQ(ReadFile(Path("old.jpg")), "old content");
    EXPECT_FALSE(tooWide.Data()->HasBytes());

    // So does an abort by the progress handler.
    TJPEGImage aborted;
    aborted.Assign(ChartLike(64, 32));
    aborted.OnProgress = [](TProgressStage, int, bool& abort) { abort = true; };
    aborted.SaveToFile(Path("old.jpg"));
    EXPECT_EQ(ReadFile(Path("old.jpg")), "old content");
    EXPECT_FALSE(aborted.Data()->HasBytes());
    EXPECT_EQ(Entries(), std::vector<std::string>{"old.jpg"});
}

TEST_F(JPEGImageTest, AWriteThatFailsHalfwayKeepsTheOldFileAndLeavesNothingBehind)
{
    // The file system takes the first 8 KiB of the new file and then refuses
    // (a full disk, a quota): in a child process limited to files of 8 KiB.
    const std::string old = std::string(20000, 'o');
    WriteFile(Path("chart.jpg"), old);
    TJPEGImage image;
    image.SetCompressionQuality(100);
    image.Assign(ChartLike(696, 237));
    ASSERT_GT(image.JPEGBytes().size(), 3 * 8192u);

    int channel[2];
    ASSERT_EQ(::pipe(channel), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(channel[0]);
        std::signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead of ending the process
        rlimit limit{};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        limit.rlim_cur = 8192;
        std::string outcome = "no limit";
        if (::setrlimit(RLIMIT_FSIZE, &limit) == 0) {
            try {
                image.SaveToFile(Path("chart.jpg"));
                outcome = "saved";
            } catch (const EFileError& e) {
                outcome = e.what();
            } catch (...) {
                outcome = "another error";
            }
        }
        const ssize_t written = ::write(channel[1], outcome.data(), outcome.size());
        ::_exit(written == static_cast<ssize_t>(outcome.size()) ? 0 : 1);
    }
    ::close(channel[1]);
    std::string outcome;
    char chunk[256];
    for (ssize_t n; (n = ::read(channel[0], chunk, sizeof chunk)) > 0;)
        outcome.append(chunk, static_cast<std::size_t>(n));
    ::close(channel[0]);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_EQ(outcome, "Cannot create file \"" + Path("chart.jpg") + "\". File too large");
    EXPECT_EQ(ReadFile(Path("chart.jpg")), old);
    EXPECT_EQ(Entries(), std::vector<std::string>{"chart.jpg"});
}

TEST_F(JPEGImageTest, OnePixelHighPictureSaves)
{
    QImage line(696, 1, QImage::Format_RGB32);
    line.fill(QColor(0, 0, 255));
    TJPEGImage image;
    image.Assign(line);
    image.SaveToFile(Path("line.jpg"));
    const bare::Picture decoded = bare::Decompress(ReadFile(Path("line.jpg")));
    EXPECT_EQ(decoded.Width, 696);
    EXPECT_EQ(decoded.Height, 1);
    EXPECT_GE(decoded.At(300, 0)[2], 250);
}

TEST_F(JPEGImageTest, ReadingKeepsTheHeaderAndDecodesWhenAskedWithTheSettings)
{
    TJPEGImage writer;
    writer.SetGrayscale(true);
    writer.SetProgressiveEncoding(true);
    writer.Assign(ChartLike(101, 51));
    writer.SaveToFile(Path("grey.jpg"));
    EXPECT_TRUE(writer.Data()->Grayscale());

    TJPEGImage image;
    EXPECT_FALSE(image.ProgressiveEncoding());
    image.LoadFromFile(Path("grey.jpg"));
    EXPECT_EQ(image.Width(), 101);
    EXPECT_EQ(image.Height(), 51);
    EXPECT_TRUE(image.Data()->Grayscale());
    EXPECT_TRUE(image.ProgressiveEncoding());
    EXPECT_FALSE(image.HasBitmap());

    // Half size, as the library rounds it, before and after decoding.
    image.SetScale(jsHalf);
    EXPECT_EQ(image.Width(), 51);
    EXPECT_EQ(image.Height(), 26);
    EXPECT_EQ(image.Bitmap().size(), QSize(51, 26));
    EXPECT_EQ(image.Bitmap().format(), QImage::Format_RGB32);

    // A changed setting decodes again: greyscale output comes through a map.
    image.SetGrayscale(true);
    EXPECT_FALSE(image.HasBitmap());
    EXPECT_EQ(image.Bitmap().format(), QImage::Format_Indexed8);
    EXPECT_LE(image.Bitmap().colorCount(), 236);
    EXPECT_TRUE(image.Bitmap().allGray());

    // Drawing stretches the decoded bitmap.
    QImage canvas(202, 102, QImage::Format_RGB32);
    canvas.fill(Qt::red);
    QPainter painter(&canvas);
    image.Draw(painter, QRect(0, 0, 202, 102));
    painter.end();
    EXPECT_TRUE(canvas.allGray());
}

TEST_F(JPEGImageTest, RegisteredReaderPreviewsGoodFilesAndRefusesBadOnes)
{
    RegisterJPEGFormat();
    for (const char* name : {"jpg", "jpeg", ".JPG", "photo.Jpeg"}) {
        const auto format = FindPictureFormat(name);
        ASSERT_TRUE(format.has_value()) << name;
        EXPECT_EQ(format->Description, "JPEG Image File");
    }
    EXPECT_EQ(PictureFilter("jpg"), "JPEG Image File (*.jpg)");
    const TPictureReader read = FindPictureFormat("jpg")->Reader;

    TJPEGImage writer;
    writer.Assign(ChartLike(90, 45));
    const std::string good = writer.JPEGBytes();
    WriteFile(Path("good.jpg"), good);
    WriteFile(Path("text.jpg"), "not a picture");
    WriteFile(Path("empty.jpg"), "");
    fs::create_directory(Path("folder.jpg"));

    QImage picture;
    std::string error;
    EXPECT_TRUE(read(Path("good.jpg"), picture, error));
    EXPECT_EQ(picture.size(), QSize(90, 45));
    for (const char* bad : {"text.jpg", "empty.jpg", "folder.jpg", "missing.jpg"}) {
        EXPECT_FALSE(read(Path(bad), picture, error)) << bad;
        EXPECT_TRUE(picture.isNull());
        EXPECT_FALSE(error.empty());
    }
    EXPECT_EQ(error, "Cannot open file \"" + Path("missing.jpg") + "\". No such file or directory");

    UnregisterJPEGFormat();
    EXPECT_FALSE(FindPictureFormat("jpg").has_value());
    EXPECT_FALSE(FindPictureFormat("jpeg").has_value());
}

// Bytes this process has read from files so far.
long long BytesRead()
{
    std::ifstream io("/proc/self/io");
    std::string key;
    long long value = 0;
    while (io >> key >> value)
        if (key == "rchar:")
            return value;
    return -1;
}

TEST_F(JPEGImageTest, AnOverlongFileIsRefusedByItsSizeBeforeItIsRead)
{
    // A sparse file one byte over the limit: it takes no room on the disk.
    {
        std::ofstream(Path("huge.jpg"), std::ios::binary) << "\xFF\xD8";
    }
    fs::resize_file(Path("huge.jpg"), TJPEGImage::MaxFileBytes + 1);
    ASSERT_GE(BytesRead(), 0) << "no /proc/self/io";

    const long long before = BytesRead();
    TJPEGImage image;
    try {
        image.LoadFromFile(Path("huge.jpg"));
        FAIL() << "no error";
    } catch (const EJPEG& e) {
        EXPECT_EQ(e.Code(), JERR_IMAGE_TOO_BIG);
    }
    QImage picture;
    QSize full;
    std::string error;
    EXPECT_FALSE(ReadJPEGPreview(Path("huge.jpg"), QSize(198, 148), picture, full, error));
    EXPECT_EQ(error, "JPEG error #" + std::to_string(JERR_IMAGE_TOO_BIG));
    // What this test itself reads (/proc/self/io) is a few hundred bytes.
    EXPECT_LT(BytesRead() - before, 65536);
}

TEST_F(JPEGImageTest, APreviewAlreadyCancelledReadsNothing)
{
    TJPEGImage writer;
    writer.Assign(ChartLike(90, 45));
    WriteFile(Path("good.jpg"), writer.JPEGBytes());
    std::atomic<bool> cancel{false};
    QImage picture;
    QSize full;
    std::string error;
    ASSERT_TRUE(ReadJPEGPreview(Path("good.jpg"), QSize(40, 20), picture, full, error, &cancel)) << error;
    EXPECT_EQ(full, QSize(90, 45));
    cancel = true;
    EXPECT_FALSE(ReadJPEGPreview(Path("good.jpg"), QSize(40, 20), picture, full, error, &cancel));
    EXPECT_EQ(error, "Cancelled");
    EXPECT_TRUE(picture.isNull());
    EXPECT_TRUE(full.isEmpty());
}

TEST_F(JPEGImageTest, PreviewReaderDecodesSmallerButNotBelowTheBox)
{
    RegisterJPEGFormat();
    const auto format = FindPictureFormat("jpg");
    ASSERT_TRUE(format.has_value());
    ASSERT_NE(format->PreviewReader, nullptr);
    TJPEGImage writer;
    writer.Assign(ChartLike(2400, 1600));
    WriteFile(Path("photo.jpg"), writer.JPEGBytes());
    WriteFile(Path("text.jpg"), "not a picture");

    struct TCase {
        QSize Box;
        QSize Decoded;
    };
    for (const TCase c : {TCase{QSize(198, 148), QSize(300, 200)},     // 1/8
                          TCase{QSize(500, 300), QSize(600, 400)},     // 1/4: 1/8 would be narrower than the box
                          TCase{QSize(1300, 100), QSize(2400, 1600)},  // whole: 1/2 is narrower
                          TCase{QSize(0, 0), QSize(300, 200)}}) {
        QImage picture;
        QSize full;
        std::string error;
        ASSERT_TRUE(format->PreviewReader(Path("photo.jpg"), c.Box, picture, full, error, nullptr)) << error;
        EXPECT_EQ(full, QSize(2400, 1600));
        EXPECT_EQ(picture.size(), c.Decoded) << c.Box.width() << "x" << c.Box.height();
    }
    // The reduced picture is the same picture: its middle matches the bitmap's.
    QImage small;
    QSize full;
    std::string error;
    ASSERT_TRUE(ReadJPEGPreview(Path("photo.jpg"), QSize(198, 148), small, full, error));
    const QImage whole = ChartLike(2400, 1600).scaled(300, 200, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QRgb a = small.pixel(150, 20), b = whole.pixel(150, 20);
    EXPECT_NEAR(qRed(a), qRed(b), 24);
    EXPECT_NEAR(qGreen(a), qGreen(b), 24);
    EXPECT_NEAR(qBlue(a), qBlue(b), 24);

    QImage picture;
    EXPECT_FALSE(ReadJPEGPreview(Path("text.jpg"), QSize(198, 148), picture, full, error));
    EXPECT_TRUE(picture.isNull());
    EXPECT_TRUE(full.isEmpty());
    EXPECT_FALSE(error.empty());
    UnregisterJPEGFormat();
}
