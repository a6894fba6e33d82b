// The chart's pop-up menu and its output commands in the main window under
// the offscreen platform: Save As through the real save dialog (typed names,
// the default extension, replacing, cancelling, failures, the picture's size
// and bytes, the preview), Copy to clipboard, Printer setup, and Print into
// PDF files (scale, the empty page, no printer, a refused document). After
// every export the window must be as it was.
#include "AsOrdinaryUser.h"
#include "HostileJPEG.h"
#include "OutputTestUtil.h"
#include "WindowTestUtil.h"

#include "app/ReadoutText.h"
#include "jpeg/JPEGFormat.h"
#include "jpeg/JPEGImage.h"
#include "monitor/MonitorChart.h"
#include "monitor/MonitorDesign.h"
#include "routersim/RouterProfile.h"
#include "window/ChartPrint.h"
#include "window/DialogFilter.h"
#include "window/PicturePreview.h"

#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <gtest/gtest.h>

#include <cstdlib>
#include <pwd.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

using outputtest::Entries;
using outputtest::ReadBytes;
using outputtest::TModalDriver;
using outputtest::TypeName;
using outputtest::WriteBytes;
using windowtest::Seed;
using windowtest::TMonitorFixture;

// This binary must never reach a real printer: its CUPS connection goes to a
// socket that does not exist, so no printer is installed as far as it knows.
const bool gNoPrinters = [] {
    setenv("CUPS_SERVER", "/nonexistent/quillmont-test/cups.sock", 1);
    return true;
}();

constexpr QRgb Blue = 0xFF0000FF;

QString QPath(const fs::path& p)
{
    return QString::fromStdString(p.string());
}

// A fresh folder per test, removed afterwards.
class ChartOutputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RegisterJPEGFormat();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        fDir = fs::temp_directory_path() / ("quillmont-output-" + std::to_string(::getpid()) + "-" + info->name());
        fs::remove_all(fDir);
        fs::create_directories(fDir);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::permissions(fDir, fs::perms::owner_all, fs::perm_options::add, ignored);
        fs::remove_all(fDir, ignored);
        UnregisterJPEGFormat();
    }

    // What Save As must write for the chart as it is now.
    static std::string ExpectedJPEG(TForm1& form)
    {
        TJPEGImage jpeg;
        jpeg.Assign(form.Chart21->RenderBitmap(form.Chart21->BackColor(), form.Chart21->PanelRect()));
        return jpeg.JPEGBytes();
    }

    static QImage Decode(const fs::path& file)
    {
        TJPEGImage jpeg;
        jpeg.LoadFromFile(file.string());
        return jpeg.Bitmap();
    }

    fs::path fDir;
};

// The mean difference of two pictures of one size, per colour channel (0-255).
double MeanDifference(const QImage& a, const QImage& b)
{
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

// Waits until the preview shows what it will show for the file selected last
// (at most a minute). Answers the longest time, in milliseconds, that the
// event loop was held up meanwhile.
qint64 WaitForPreview(TPicturePreview& preview)
{
    if (!preview.Reading())
        return 0;
    QEventLoop loop;
    QObject::connect(&preview, &TPicturePreview::Finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(60000, &loop, &QEventLoop::quit);
    QElapsedTimer sinceTick;
    qint64 longest = 0;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout, [&] { longest = std::max(longest, sinceTick.restart()); });
    sinceTick.start();
    ticks.start(10);
    loop.exec();
    longest = std::max(longest, sinceTick.elapsed());
    EXPECT_FALSE(preview.Reading()) << "the preview took over a minute";
    return longest;
}

// Selects a file in the save dialog as its file list does, and waits for the preview.
void Select(TSavePictureDialog& dialog, const fs::path& file)
{
    emit dialog.currentChanged(file.empty() ? QString() : QString::fromStdString(file.string()));
    WaitForPreview(*dialog.Preview());
}

// Threads of this process with the name.
int ThreadsNamed(const std::string& name)
{
    int count = 0;
    for (const auto& task : fs::directory_iterator("/proc/self/task")) {
        std::ifstream comm(task.path() / "comm");
        std::string taskName;
        std::getline(comm, taskName);
        count += taskName == name;
    }
    return count;
}

// The window is as it was before an export: same chart size, same picture
// on the next paint, and the readout names the tone of the bar under the mouse.
void ExpectWindowUndisturbed(TMonitorFixture& f, QSize chartSize, const QImage& picture, int index, int tone)
{
    TForm1& form = *f.form;
    EXPECT_EQ(form.Chart21->size(), chartSize);
    EXPECT_EQ(f.PaintChart(), picture);
    f.MoveMouse(QPoint(form.LineSeries18->PointPixelX(index), form.LineSeries18->PointPixelY(index)));
    EXPECT_EQ(form.Label56->text().toStdString(), ReadoutToneText(tone));
    f.MoveMouse(QPoint(3, 3));
}

// ---- the pop-up menu ------------------------------------------------------------------------------------

TEST_F(ChartOutputTest, RightClickOnTheChartOpensTheMenuOfFourCommands)
{
    TMonitorFixture f;
    TForm1& form = *f.form;
    const QList<QAction*> items = form.PopupMenu1->actions();
    ASSERT_EQ(items.size(), 6);
    EXPECT_EQ(items[0], form.SaveAs1);
    EXPECT_EQ(items[0]->text(), "Save As...");
    EXPECT_TRUE(items[1]->isSeparator());
    EXPECT_EQ(items[2], form.Copytoclipboard1);
    EXPECT_EQ(items[2]->text(), "Copy to clipboard");
    EXPECT_TRUE(items[3]->isSeparator());
    EXPECT_EQ(items[4], form.Printersetup1);
    EXPECT_EQ(items[4]->text(), "Printer setup...");
    EXPECT_EQ(items[5], form.Print1);
    EXPECT_EQ(items[5]->text(), "Print");

    EXPECT_FALSE(form.PopupMenu1->isVisible());
    const QPoint at(200, 100);
    QContextMenuEvent click(QContextMenuEvent::Mouse, at, form.Chart21->mapToGlobal(at));
    QApplication::sendEvent(form.Chart21, &click);
    EXPECT_TRUE(form.PopupMenu1->isVisible());
    form.PopupMenu1->hide();
}

// ---- Save As ----------------------------------------------------------------------------------------------

TEST_F(ChartOutputTest, SaveAsWritesTheChartAsShownWithTheDefaultExtension)
{
    TMonitorFixture f;
    TForm1& form = *f.form;
    form.Button1->click();
    const QImage before = f.PaintChart();
    const QSize chartSize = form.Chart21->size();
    const std::string expected = ExpectedJPEG(form);
    ASSERT_FALSE(expected.empty());
    // The bitmap Save As compresses is the picture the window shows.
    EXPECT_EQ(form.Chart21->RenderBitmap(form.Chart21->BackColor(), form.Chart21->PanelRect()), before);
    // The same picture as the poll command writes for the same table and size.
    TJPEGImage tool;
    tool.Assign(
        RenderMonitorChart(SimulatedBitLoading(Seed, 0), design::RangeLow, chartSize.width(), chartSize.height()));
    EXPECT_EQ(tool.JPEGBytes(), expected);

    TModalDriver modals;
    modals.SaveDialog = TypeName(QPath(fDir), QStringLiteral("chart"));
    modals.Run([&] { form.SaveAs1->trigger(); });
    EXPECT_EQ(modals.SaveDialogs, 1);
    EXPECT_TRUE(modals.Messages.isEmpty()) << modals.Messages.join('|').toStdString();
    EXPECT_TRUE(modals.Unexpected.isEmpty()) << modals.Unexpected.join('|').toStdString();

    EXPECT_EQ(Entries(fDir), std::vector<std::string>{"chart.jpg"});
    EXPECT_EQ(ReadBytes(fDir / "chart.jpg"), expected);
    const QImage saved = Decode(fDir / "chart.jpg");
    EXPECT_EQ(saved.size(), chartSize);
    // The window's picture, within JPEG's tolerance for thin coloured bars.
    EXPECT_LT(MeanDifference(saved, before), 20.0);
    QImage black(chartSize, QImage::Format_RGB32);
    black.fill(Qt::black);
    EXPECT_GT(MeanDifference(saved, black), 100.0);  // the measure does tell pictures apart

    ExpectWindowUndisturbed(f, chartSize, before, 100, 100);
}

TEST_F(ChartOutputTest, SaveAsReplacesAnExistingFileWithoutAskingAndCancelWritesNothing)
{
    TMonitorFixture f;
    TForm1& form = *f.form;
    form.Button1->click();
    WriteBytes(fDir / "old.jpg", "an older picture");
    WriteBytes(fDir / "notes.txt", "kept");
    const std::string expected = ExpectedJPEG(form);

    // Cancelled: nothing is written, nothing is asked.
    TModalDriver cancel;
    cancel.SaveDialog = [this](TSavePictureDialog& dialog) {
        dialog.setDirectory(QPath(fDir));
        dialog.selectFile(QStringLiteral("old.jpg"));
        QMetaObject::invokeMethod(
            &dialog, [&dialog] { dialog.reject(); }, Qt::QueuedConnection);
    };
    cancel.Run([&] { form.SaveAs1->trigger(); });
    EXPECT_EQ(cancel.SaveDialogs, 1);
    EXPECT_TRUE(cancel.Messages.isEmpty());
    EXPECT_EQ(ReadBytes(fDir / "old.jpg"), "an older picture");
    EXPECT_EQ(Entries(fDir), (std::vector<std::string>{"notes.txt", "old.jpg"}));

    // Saved over: replaced without a question.
    TModalDriver replace;
    replace.SaveDialog = TypeName(QPath(fDir), QStringLiteral("old.jpg"));
    replace.Run([&] { form.SaveAs1->trigger(); });
    EXPECT_TRUE(replace.Messages.isEmpty()) << replace.Messages.join('|').toStdString();
    EXPECT_TRUE(replace.Unexpected.isEmpty()) << replace.Unexpected.join('|').toStdString();
    EXPECT_EQ(ReadBytes(fDir / "old.jpg"), expected);
    EXPECT_EQ(Entries(fDir), (std::vector<std::string>{"notes.txt", "old.jpg"}));

    // A name with another extension keeps it.
    TModalDriver other;
    other.SaveDialog = TypeName(QPath(fDir), QStringLiteral("chart.jpeg"));
    other.Run([&] { form.SaveAs1->trigger(); });
    EXPECT_EQ(ReadBytes(fDir / "chart.jpeg"), expected);
}

TEST_F(ChartOutputTest, AFileThatCannotBeCreatedShowsTheMessageAndChangesNothing)
{
    TMonitorFixture f;
    TForm1& form = *f.form;
    form.Button1->click();
    const QImage before = f.PaintChart();
    WriteBytes(fDir / "notes.txt", "kept");

    // A folder that is a file: no user can create anything in it.
    const fs::path target = fDir / "notes.txt" / "chart.jpg";
    TModalDriver modals;
    modals.SaveDialog = TypeName(QPath(fDir), QPath(target));
    modals.Run([&] { form.SaveAs1->trigger(); });
    ASSERT_EQ(modals.Messages.size(), 1);
    EXPECT_EQ(modals.Messages[0].toStdString(), "Cannot create file \"" + target.string() + "\". Not a directory");
    EXPECT_EQ(modals.MessageTitles[0], "Quillmont Monitor");
    EXPECT_EQ(Entries(fDir), std::vector<std::string>{"notes.txt"});
    EXPECT_EQ(ReadBytes(fDir / "notes.txt"), "kept");
    ExpectWindowUndisturbed(f, form.Chart21->size(), before, 100, 100);
}

TEST_F(ChartOutputTest, AFailedSaveOverAnExistingFileKeepsItAndLeavesNoTemporaryFile)
{
    TMonitorFixture f;
    TForm1& form = *f.form;
    form.Button1->click();
    WriteBytes(fDir / "chart.jpg", "the picture of yesterday");
    TAsOrdinaryUser::GiveToUser(fDir);
    TAsOrdinaryUser::GiveToUser(fDir / "chart.jpg");
    fs::permissions(fDir, fs::perms::owner_read | fs::perms::owner_exec);

    TModalDriver modals;
    modals.SaveDialog = TypeName(QPath(fDir), QStringLiteral("chart"));
    {
        TAsOrdinaryUser user;
        modals.Run([&] { form.SaveAs1->trigger(); });
    }
    ASSERT_EQ(modals.Messages.size(), 1);
    EXPECT_EQ(modals.Messages[0].toStdString(),
              "Cannot create file \"" + (fDir / "chart.jpg").string() + "\". Permission denied");
    fs::permissions(fDir, fs::perms::owner_all);
    EXPECT_EQ(ReadBytes(fDir / "chart.jpg"), "the picture of yesterday");
    EXPECT_EQ(Entries(fDir), std::vector<std::string>{"chart.jpg"});
}

// A file the user made read-only, in a folder the user may write into, is
// refused although a rename would replace it; so is one reached through a link.
TEST_F(ChartOutputTest, SaveOverAReadOnlyFileIsRefusedAndTheFileKept)
{
    TMonitorFixture f;
    TForm1& form = *f.form;
    form.Button1->click();
    const QImage before = f.PaintChart();
    WriteBytes(fDir / "chart.jpg", "the picture of yesterday");
    fs::create_symlink(fDir / "chart.jpg", fDir / "latest.jpg");
    for (const fs::path& path : {fDir, fDir / "chart.jpg", fDir / "latest.jpg"})
        TAsOrdinaryUser::GiveToUser(path);
    ::chmod((fDir / "chart.jpg").c_str(), 0444);

    for (const char* name : {"chart", "latest.jpg"}) {
        TModalDriver modals;
        modals.SaveDialog = TypeName(QPath(fDir), QString::fromLatin1(name));
        {
            TAsOrdinaryUser user;
            modals.Run([&] { form.SaveAs1->trigger(); });
        }
        ASSERT_EQ(modals.Messages.size(), 1) << name;
        const std::string chosen = (fDir / (std::string(name) == "chart" ? "chart.jpg" : name)).string();
        EXPECT_EQ(modals.Messages[0].toStdString(), "Cannot create file \"" + chosen + "\". Permission denied");
        EXPECT_TRUE(modals.Unexpected.isEmpty()) << modals.Unexpected.join('|').toStdString();
    }
    EXPECT_EQ(ReadBytes(fDir / "chart.jpg"), "the picture of yesterday");
    EXPECT_EQ(fs::status(fDir / "chart.jpg").permissions(),
              fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    EXPECT_TRUE(fs::is_symlink(fDir / "latest.jpg"));
    EXPECT_EQ(Entries(fDir), (std::vector<std::string>{"chart.jpg", "latest.jpg"}));

    // Made writable again, the same file is replaced by the same user.
    ::chmod((fDir / "chart.jpg").c_str(), 0644);
    TModalDriver modals;
    modals.SaveDialog = TypeName(QPath(fDir), QStringLiteral("chart"));
    {
        TAsOrdinaryUser user;
        modals.Run([&] { form.SaveAs1->trigger(); });
    }
    EXPECT_TRUE(modals.Messages.isEmpty()) << modals.Messages.join('|').toStdString();
    EXPECT_EQ(ReadBytes(fDir / "chart.jpg"), ExpectedJPEG(form));
    ExpectWindowUndisturbed(f, form.Chart21->size(), before, 100, 100);
}

// A chart picture too large for memory is an error before the dialog opens:
// nothing is asked and nothing written.
TEST_F(ChartOutputTest, APictureThatCannotBeMadeIsAnErrorAndWritesNothing)
{
    TForm1 form;  // never shown: the chart takes a size its window could not have
    WriteBytes(fDir / "chart.jpg", "the picture of yesterday");
    form.Chart21->SetSize(70000000, 237);  // a row of more than 2^31 bits
    ASSERT_EQ(form.Chart21->PanelRect(), TRect(0, 0, 70000000, 237));
    TModalDriver modals;
    modals.SaveDialog = TypeName(QPath(fDir), QStringLiteral("chart"));
    modals.Run([&] { form.SaveAs1->trigger(); });
    EXPECT_EQ(modals.SaveDialogs, 0);
    ASSERT_EQ(modals.Messages.size(), 1);
    EXPECT_EQ(modals.Messages[0].toStdString(), "The chart's picture of 70000000 x 237 pixels is too large for memory");
    EXPECT_EQ(modals.MessageTitles[0], "Quillmont Monitor");
    EXPECT_EQ(ReadBytes(fDir / "chart.jpg"), "the picture of yesterday");
    EXPECT_EQ(Entries(fDir), std::vector<std::string>{"chart.jpg"});

    // Print says the same instead of printing an empty page.
    TModalDriver print;
    print.Run([&] { form.Print1->trigger(); });
    ASSERT_EQ(print.Messages.size(), 1);
    EXPECT_EQ(print.Messages[0], modals.Messages[0]);
}

TEST_F(ChartOutputTest, ThePictureHasTheChartsSizeWhenTheDialogOpened)
{
    TMonitorFixture f;
    TForm1& form = *f.form;
    form.Button1->click();
    form.resize(form.width() + 200, form.height() + 100);
    QApplication::processEvents();
    const QSize enlarged = form.Chart21->size();
    ASSERT_EQ(enlarged, QSize(696 + 200, 237 + 100));
    const std::string expected = ExpectedJPEG(form);

    // The window shrinks back and the range changes while the dialog is open:
    // the picture taken before it opened is saved.
    TModalDriver modals;
    modals.SaveDialog = [&](TSavePictureDialog& dialog) {
        form.resize(form.minimumSize());
        form.rb2->click();
        TypeName(QPath(fDir), QStringLiteral("large"))(dialog);
    };
    modals.Run([&] { form.SaveAs1->trigger(); });
    EXPECT_EQ(ReadBytes(fDir / "large.jpg"), expected);
    EXPECT_EQ(Decode(fDir / "large.jpg").size(), enlarged);
    EXPECT_EQ(form.Chart21->size(), QSize(696, 237));
}

TEST_F(ChartOutputTest, SaveAsBeforeTheFirstPollWritesTheEmptyChart)
{
    TMonitorFixture f;
    TForm1& form = *f.form;
    const QImage before = f.PaintChart();
    const std::string expected = ExpectedJPEG(form);
    TModalDriver modals;
    modals.SaveDialog = TypeName(QPath(fDir), QStringLiteral("empty"));
    modals.Run([&] { form.SaveAs1->trigger(); });
    EXPECT_EQ(ReadBytes(fDir / "empty.jpg"), expected);
    const QImage saved = Decode(fDir / "empty.jpg");
    ASSERT_EQ(saved.size(), QSize(696, 237));
    // No bars: nothing blue in the plot.
    int blueish = 0;
    for (int y = 0; y < saved.height(); ++y)
        for (int x = 0; x < saved.width(); ++x)
            blueish += qBlue(saved.pixel(x, y)) > 200 && qRed(saved.pixel(x, y)) < 80;
    EXPECT_EQ(blueish, 0);
    EXPECT_EQ(f.PaintChart(), before);
}

// ---- the save dialog ----------------------------------------------------------------------------------------

TEST_F(ChartOutputTest, TheSaveDialogTakesTheDesignsFilterAndExtension)
{
    TForm1 form;
    TSavePictureDialog dialog(&form);
    EXPECT_EQ(dialog.nameFilters(), QStringList{"JPEG Image File (*.jpg)"});
    EXPECT_EQ(dialog.defaultSuffix(), "jpg");
    EXPECT_EQ(dialog.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontUseNativeDialog));
    EXPECT_TRUE(dialog.testOption(QFileDialog::DontConfirmOverwrite));

    EXPECT_EQ(QtFileFilter("JPEG Image File (*.jpg)|*.jpg"), "JPEG Image File (*.jpg)");
    EXPECT_EQ(QtFileFilter("Pictures|*.jpg;*.jpeg|All files (*)|*"), "Pictures (*.jpg *.jpeg);;All files (*)");
    EXPECT_EQ(QtFileFilter("|*.png|Broken|"), "(*.png)");
    EXPECT_EQ(QtFileFilter(""), "");
    EXPECT_EQ(DialogDefaultSuffix(".jpg"), "jpg");
    EXPECT_EQ(DialogDefaultSuffix(""), "");
}

TEST_F(ChartOutputTest, ThePreviewShowsGoodJPEGFilesAndNothingOfDamagedOrHostileOnes)
{
    TJPEGImage writer;
    QImage picture(696, 237, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    writer.Assign(picture);
    const std::string good = writer.JPEGBytes();
    WriteBytes(fDir / "good.jpg", good);
    // The header claims a picture of 65000 x 65000: over the reader's limit.
    std::string giant = good;
    const std::size_t sof = giant.find("\xFF\xC0");
    ASSERT_NE(sof, std::string::npos);
    giant[sof + 5] = giant[sof + 7] = '\xFD';
    giant[sof + 6] = giant[sof + 8] = '\xE8';
    WriteBytes(fDir / "giant.jpg", giant);
    std::string damaged = good;
    for (std::size_t i = 2; i < 200 && i < damaged.size(); ++i)
        damaged[i] = static_cast<char>(i * 37);
    WriteBytes(fDir / "damaged.jpg", damaged);
    WriteBytes(fDir / "empty.jpg", "");
    WriteBytes(fDir / "picture.txt", good);  // a JPEG, but not named as one
    fs::create_directory(fDir / "folder.jpg");
    ASSERT_EQ(::mkfifo((fDir / "pipe.jpg").c_str(), 0600), 0);  // would block a reader forever

    TForm1 form;
    TSavePictureDialog dialog(&form);
    TPicturePreview& preview = *dialog.Preview();
    // What the dialog reports as selected reaches the preview.
    Select(dialog, fDir / "good.jpg");
    EXPECT_TRUE(preview.HasPicture());
    EXPECT_EQ(preview.PictureSize(), QSize(696, 237));
    EXPECT_EQ(preview.SizeText(), "696 x 237 pixels");
    EXPECT_EQ(preview.NoticeText(), "");
    // Shrunk to the pane with its proportions.
    const QSize shown = preview.ShownPicture().size();
    EXPECT_LE(shown.width(), TPicturePreview::PictureBoxWidth);
    EXPECT_GE(shown.width(), TPicturePreview::PictureBoxWidth - 6);
    EXPECT_NEAR(shown.height(), shown.width() * 237.0 / 696.0, 1.0);

    // A large picture: decoded smaller, with its own size under it.
    QImage photo(2400, 1600, QImage::Format_RGB32);
    photo.fill(Qt::darkGreen);
    TJPEGImage photoWriter;
    photoWriter.Assign(photo);
    WriteBytes(fDir / "photo.jpg", photoWriter.JPEGBytes());
    Select(dialog, fDir / "photo.jpg");
    EXPECT_EQ(preview.SizeText(), "2400 x 1600 pixels");
    EXPECT_NEAR(preview.ShownPicture().height(), preview.ShownPicture().width() * 2.0 / 3.0, 1.0);
    const QRgb shownPixel = preview.ShownPicture().toImage().pixel(50, 30);
    EXPECT_NEAR(qGreen(shownPixel), 128, 4);
    EXPECT_NEAR(qRed(shownPixel) + qBlue(shownPixel), 0, 8);

    for (const char* name : {"giant.jpg", "damaged.jpg", "empty.jpg", "picture.txt", "pipe.jpg", "missing.jpg"}) {
        Select(dialog, fDir / name);
        EXPECT_FALSE(preview.HasPicture()) << name;
        EXPECT_EQ(preview.SizeText(), "") << name;
        EXPECT_TRUE(preview.ShownPicture().isNull()) << name;
        EXPECT_EQ(preview.NoticeText(), "No preview") << name;
    }
    // A folder, or nothing selected: an empty pane.
    for (const fs::path& nothing : {fDir / "folder.jpg", fs::path()}) {
        Select(dialog, nothing);
        EXPECT_FALSE(preview.HasPicture());
        EXPECT_EQ(preview.NoticeText(), "");
    }

    EXPECT_EQ(PreviewSize(QSize(100, 50), QSize(200, 150)), QSize(100, 50));
    EXPECT_EQ(PreviewSize(QSize(1000, 100), QSize(200, 150)), QSize(200, 20));
    EXPECT_EQ(PreviewSize(QSize(100, 1000), QSize(200, 150)), QSize(15, 150));
    EXPECT_EQ(PreviewSize(QSize(100000, 1), QSize(200, 150)), QSize(200, 1));
    EXPECT_EQ(PreviewSize(QSize(0, 10), QSize(200, 150)), QSize(0, 0));
}

TEST_F(ChartOutputTest, AHostileFileNeverHoldsUpTheSaveDialog)
{
    // 325 KB that ask for 490 passes over 7000 x 7000 pixels: many seconds of
    // decoding without a limit.
    WriteBytes(fDir / "hostile.jpg", hostile::RepeatedScans7000());
    QImage picture(696, 237, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    TJPEGImage writer;
    writer.Assign(picture);
    WriteBytes(fDir / "good.jpg", writer.JPEGBytes());
    WriteBytes(fDir / "text.jpg", "not a picture");
    const QString hostileFile = QPath(fDir / "hostile.jpg");
    const QString goodFile = QPath(fDir / "good.jpg");
    ASSERT_EQ(ThreadsNamed("picture-preview"), 0);

    TForm1 form;
    auto dialog = std::make_unique<TSavePictureDialog>(&form);
    TPicturePreview& preview = *dialog->Preview();

    // Selecting the file only starts its reading, on the preview's thread;
    // the dialog goes on answering until the file is refused.
    QElapsedTimer handler;
    handler.start();
    emit dialog->currentChanged(hostileFile);
    EXPECT_LT(handler.elapsed(), 200);
    EXPECT_TRUE(preview.Reading());
    EXPECT_EQ(ThreadsNamed("picture-preview"), 1);
    EXPECT_LT(WaitForPreview(preview), 500);
    EXPECT_EQ(preview.NoticeText(), "No preview");
    EXPECT_FALSE(preview.HasPicture());
    EXPECT_EQ(preview.SizeText(), "");

    // Moving on stops the reading under way, and only the file selected last
    // is shown, whichever reading ends first.
    const int stopped = preview.StoppedReads();
    handler.restart();
    emit dialog->currentChanged(hostileFile);
    emit dialog->currentChanged(goodFile);
    EXPECT_LT(handler.elapsed(), 200);
    WaitForPreview(preview);
    EXPECT_EQ(preview.StoppedReads(), stopped + 1);
    EXPECT_TRUE(preview.HasPicture());
    EXPECT_EQ(preview.SizeText(), "696 x 237 pixels");
    emit dialog->currentChanged(goodFile);
    emit dialog->currentChanged(QPath(fDir / "text.jpg"));
    WaitForPreview(preview);
    EXPECT_EQ(preview.NoticeText(), "No preview");
    EXPECT_FALSE(preview.HasPicture());

    // Closing the dialog in the middle of a reading leaves no thread behind.
    emit dialog->currentChanged(hostileFile);
    EXPECT_TRUE(preview.Reading());
    QElapsedTimer closing;
    closing.start();
    dialog.reset();
    EXPECT_LT(closing.elapsed(), 1000);
    EXPECT_EQ(ThreadsNamed("picture-preview"), 0);
}

// ---- Copy to clipboard ---------------------------------------------------------------------------------------

TEST_F(ChartOutputTest, CopyPutsTheVectorPictureAndItsBitmapOfTheChartsSize)
{
    TMonitorFixture f;
    TForm1& form = *f.form;
    form.Button1->click();
    QApplication::clipboard()->setText(QStringLiteral("earlier content"));
    const QImage before = f.PaintChart();

    const auto copyAndCheck = [&](QSize chart) {
        TModalDriver modals;
        modals.Run([&] { form.Copytoclipboard1->trigger(); });
        EXPECT_TRUE(modals.Messages.isEmpty());
        const QMimeData* data = QApplication::clipboard()->mimeData();
        ASSERT_NE(data, nullptr);
        EXPECT_TRUE(data->hasFormat(QStringLiteral("image/svg+xml")));
        EXPECT_TRUE(data->hasImage());
        EXPECT_FALSE(data->hasText());
        const QString svg = QString::fromUtf8(data->data(QStringLiteral("image/svg+xml")));
        const QString viewBox = QStringLiteral("viewBox=\"0 0 %1 %2\"").arg(chart.width() - 1).arg(chart.height() - 1);
        EXPECT_TRUE(svg.contains(viewBox)) << viewBox.toStdString();
        EXPECT_EQ(qvariant_cast<QImage>(data->imageData()).size(), chart - QSize(1, 1));
    };
    copyAndCheck(QSize(696, 237));
    ExpectWindowUndisturbed(f, QSize(696, 237), before, 100, 100);

    form.resize(form.width() + 100, form.height() + 50);
    QApplication::processEvents();
    copyAndCheck(QSize(796, 287));
}

// ---- printing --------------------------------------------------------------------------------------------------

TEST(ChartPrintScale, WholePrinterDotsPerWindowPixel)
{
    EXPECT_EQ(PrintScale(600, 600, 96, 96), (TPrintScale{6, 6}));
    EXPECT_EQ(PrintScale(720, 720, 96, 96), (TPrintScale{7, 7}));
    EXPECT_EQ(PrintScale(300, 600, 96, 120), (TPrintScale{3, 5}));
    EXPECT_EQ(PrintScale(72, 72, 96, 96), (TPrintScale{0, 0}));
    EXPECT_EQ(PrintScale(96, 95, 96, 96), (TPrintScale{1, 0}));
    EXPECT_EQ(PrintScale(600, 600, 0, -1), (TPrintScale{0, 0}));
    EXPECT_EQ(PrintRect(QSize(696, 237), {6, 7}), QRect(0, 0, 4176, 1659));
    EXPECT_TRUE(PrintRect(QSize(696, 237), {0, 6}).isEmpty());
}

TEST_F(ChartOutputTest, PrintWithoutAPrinterOrOnARefusingOneIsAnError)
{
    TMonitorFixture f;
    TForm1& form = *f.form;
    form.Button1->click();
    const QImage before = f.PaintChart();
    if (!QPrinterInfo::availablePrinters().isEmpty())
        GTEST_SKIP() << "a printer is installed";

    TModalDriver noPrinter;
    noPrinter.Run([&] { form.Print1->trigger(); });
    EXPECT_EQ(noPrinter.Messages, QStringList{"There is no printer to print on."});
    EXPECT_EQ(noPrinter.PrintDialogs, 0);  // Print never asks

    // A destination that cannot be opened refuses the document.
    const fs::path unwritable = fDir / "missing-folder" / "chart.pdf";
    form.Printer().setOutputFileName(QPath(unwritable));
    TModalDriver refused;
    refused.Run([&] { form.Print1->trigger(); });
    EXPECT_EQ(refused.Messages, QStringList{QString::fromStdString("The printer \"" + unwritable.string() +
                                                                   "\" did not accept the document.")});
    EXPECT_FALSE(fs::exists(unwritable));
    ExpectWindowUndisturbed(f, QSize(696, 237), before, 100, 100);
}

TEST_F(ChartOutputTest, PrintPutsTheBitmapAtWholeScalesOnOnePage)
{
    if (!outputtest::HavePoppler())
        GTEST_SKIP() << "pdfinfo and pdftoppm (poppler-utils) are not installed";
    TMonitorFixture f;
    TForm1& form = *f.form;
    form.Button1->click();
    const QImage before = f.PaintChart();
    QPrinter& printer = form.Printer();
    printer.setOutputFormat(QPrinter::PdfFormat);
    ASSERT_EQ(form.logicalDpiX(), 96);

    // Printer resolution, the page read back at 100 dpi: the chart's size there.
    struct TCase {
        int Dpi;
        QSize Ink;
    };
    for (const TCase c : {TCase{600, QSize(696, 237)},     // 6 dots a pixel, 6/600 in
                          TCase{720, QSize(677, 231)},     // 7 dots a pixel, 7/720 in
                          TCase{300, QSize(696, 237)}}) {  // 3 dots a pixel
        const fs::path pdf = fDir / ("chart-" + std::to_string(c.Dpi) + ".pdf");
        printer.setResolution(c.Dpi);
        printer.setOutputFileName(QPath(pdf));
        TModalDriver modals;
        modals.Run([&] { form.Print1->trigger(); });
        EXPECT_TRUE(modals.Messages.isEmpty()) << modals.Messages.join('|').toStdString();
        EXPECT_EQ(modals.PrintDialogs, 0);
        ASSERT_TRUE(fs::exists(pdf));
        EXPECT_EQ(outputtest::PdfPageCount(QPath(pdf)), 1);
        const QImage page = outputtest::PdfPageImage(QPath(pdf), 100, QPath(fDir));
        ASSERT_FALSE(page.isNull());
        const QRect ink = outputtest::InkBounds(page);
        // At the top-left corner of the printable area.
        const QPointF corner = printer.pageLayout().paintRect(QPageLayout::Inch).topLeft() * 100;
        // (The reader smooths the picture's edges by a pixel.)
        EXPECT_NEAR(ink.left(), corner.x(), 1.5) << c.Dpi;
        EXPECT_NEAR(ink.top(), corner.y(), 1.5) << c.Dpi;
        EXPECT_NEAR(ink.width(), c.Ink.width(), 2.5) << c.Dpi;
        EXPECT_NEAR(ink.height(), c.Ink.height(), 2.5) << c.Dpi;
    }

    // A printer coarser than the window: scale 0, an empty page.
    const fs::path empty = fDir / "chart-72.pdf";
    printer.setResolution(72);
    printer.setOutputFileName(QPath(empty));
    TModalDriver modals;
    modals.Run([&] { form.Print1->trigger(); });
    EXPECT_TRUE(modals.Messages.isEmpty());
    EXPECT_EQ(outputtest::PdfPageCount(QPath(empty)), 1);
    EXPECT_TRUE(outputtest::InkBounds(outputtest::PdfPageImage(QPath(empty), 100, QPath(fDir))).isEmpty());

    ExpectWindowUndisturbed(f, QSize(696, 237), before, 100, 100);
}

TEST_F(ChartOutputTest, PrinterSetupRunsTheDialogOnTheProgramsPrinter)
{
    TForm1 form;
    form.show();
    TModalDriver modals;
    QPrinter* seen = nullptr;
    QString title, okText;
    modals.PrintDialog = [&](QPrintDialog& dialog) {
        seen = dialog.printer();
        title = dialog.windowTitle();
        if (auto* buttons = dialog.findChild<QDialogButtonBox*>())
            okText = buttons->button(QDialogButtonBox::Ok)->text();
        QMetaObject::invokeMethod(
            &dialog, [&dialog] { dialog.reject(); }, Qt::QueuedConnection);
    };
    modals.Run([&] { form.Printersetup1->trigger(); });
    EXPECT_EQ(modals.PrintDialogs, 1);
    EXPECT_EQ(seen, &form.Printer());
    EXPECT_EQ(title, "Printer Setup");
    EXPECT_EQ(okText, "OK");
    EXPECT_TRUE(modals.Messages.isEmpty());
    EXPECT_TRUE(modals.Unexpected.isEmpty()) << modals.Unexpected.join('|').toStdString();
}

TEST_F(ChartOutputTest, ACancelledPrinterSetupKeepsThePrinterAndPrintPrintsOneCopy)
{
    TMonitorFixture f;
    TForm1& form = *f.form;
    form.Button1->click();
    QPrinter& printer = form.Printer();
    const fs::path chosen = fDir / "chosen.pdf";
    printer.setOutputFileName(QPath(chosen));
    printer.setResolution(600);
    ASSERT_EQ(printer.outputFormat(), QPrinter::PdfFormat);

    // Qt's dialog works on the printer while it is open (picking another
    // printer in its list switches the printer over at once); here the
    // dialog's printer is changed likewise, and the dialog cancelled.
    TModalDriver cancelled;
    cancelled.PrintDialog = [&](QPrintDialog& dialog) {
        QPrinter* open = dialog.printer();
        open->setOutputFileName(QPath(fDir / "other.pdf"));
        open->setPageOrientation(QPageLayout::Landscape);
        open->setCopyCount(5);
        open->setResolution(300);
        open->setColorMode(QPrinter::GrayScale);
        QMetaObject::invokeMethod(
            &dialog, [&dialog] { dialog.reject(); }, Qt::QueuedConnection);
    };
    cancelled.Run([&] { form.Printersetup1->trigger(); });
    ASSERT_EQ(cancelled.PrintDialogs, 1);
    EXPECT_EQ(printer.outputFormat(), QPrinter::PdfFormat);
    EXPECT_EQ(printer.outputFileName(), QPath(chosen));
    EXPECT_EQ(printer.pageLayout().orientation(), QPageLayout::Portrait);
    EXPECT_EQ(printer.copyCount(), 1);
    EXPECT_EQ(printer.resolution(), 600);
    EXPECT_EQ(printer.colorMode(), QPrinter::Color);

    // Accepted with another file and three copies: the choices are kept, and
    // Print still prints one copy into the file.
    const fs::path accepted = fDir / "accepted.pdf";
    TModalDriver accepting;
    accepting.PrintDialog = [&](QPrintDialog& dialog) {
        auto* copies = dialog.findChild<QSpinBox*>(QStringLiteral("copies"));
        auto* file = dialog.findChild<QLineEdit*>(QStringLiteral("filename"));
        if (copies != nullptr && file != nullptr) {
            copies->setValue(3);
            file->setText(QPath(accepted));
        }
        QMetaObject::invokeMethod(
            &dialog, [&dialog] { dialog.accept(); }, Qt::QueuedConnection);
    };
    accepting.Run([&] { form.Printersetup1->trigger(); });
    ASSERT_EQ(printer.outputFileName(), QPath(accepted)) << "Qt's dialog has no copies or filename field";
    EXPECT_EQ(printer.copyCount(), 3);
    TModalDriver printing;
    printing.Run([&] { form.Print1->trigger(); });
    EXPECT_TRUE(printing.Messages.isEmpty()) << printing.Messages.join('|').toStdString();
    EXPECT_TRUE(fs::exists(accepted));
    EXPECT_FALSE(fs::exists(chosen));
    EXPECT_EQ(printer.copyCount(), 1);
    if (outputtest::HavePoppler()) {
        EXPECT_EQ(outputtest::PdfPageCount(QPath(accepted)), 1);
    }
}

}  // namespace
