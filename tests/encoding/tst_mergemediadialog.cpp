// The merge dialog: which files it lists and refuses, and the output name rules.

#include "encoder/mediamerger.h"
#include "encoding/mergemediadialog.h"
#include "engines/ffprobe.h"
#include "engines/mervomencoder.h"
#include "enginetesting.h"
#include "jobs/mervojobmanager.h"
#include "testmedia.h"
#include "testregistry.h"
#include "windowtesting.h"

#include <QBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

VEXO_TEST_NEEDS_DISPLAY

namespace {

QString avi(const QString &name, const QString &picture)
{
    return TestMedia::clip(name, {"-f", "lavfi", "-i", "testsrc=" + picture + ":duration=2", "-f", "lavfi", "-i",
                                  "sine=frequency=880:duration=2", "-c:v", "mpeg4", "-q:v", "5", "-c:a",
                                  "libmp3lame", "-b:a", "128k"});
}

// The dialog on a merger whose reference is the first file, with the caller's variables.
struct MergeSetup
{
    MergeSetup(const QString &first, const QString &userFolder, bool inputFolder = false)
        : files{first}, useInputFolder(inputFolder), merger(&host)
    {
        QString error;
        referenced = merger.setReference(first, error);
        dialog = std::make_unique<MergeMediaDialog>(&files, &merger, &useInputFolder, userFolder, &outputName);
    }
    QPushButton *button(const QString &text)
    {
        for (QPushButton *push : dialog->findChildren<QPushButton *>()) {
            if (push->text() == text)
                return push;
        }
        return nullptr;
    }
    QRadioButton *choice(const QString &text)
    {
        for (QRadioButton *radio : dialog->findChildren<QRadioButton *>()) {
            if (radio->text() == text)
                return radio;
        }
        return nullptr;
    }
    // The file lines in their order on screen, up to "Load file".
    QList<QLineEdit *> fileLines()
    {
        auto *layout = qobject_cast<QVBoxLayout *>(button("Load file")->parentWidget()->layout());
        QList<QLineEdit *> lines;
        for (int i = 0; i < layout->count(); ++i) {
            if (auto *line = qobject_cast<QLineEdit *>(layout->itemAt(i)->widget()))
                lines << line;
            else
                break;
        }
        return lines;
    }
    void typeName(const QString &name)
    {
        auto *edit = dialog->findChild<QLineEdit *>("outputName");
        edit->setText(name);
        emit edit->editingFinished();
    }

    QStringList files;
    bool useInputFolder;
    QString outputName;
    MervoJobManager host{nullptr, nullptr, nullptr, nullptr, 1, 0, 0, 0};
    MediaMerger merger;
    bool referenced = false;
    std::unique_ptr<MergeMediaDialog> dialog;
};

} // namespace

class MergeMediaDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void addFile_data();
    void addFile();
    void outputName_data();
    void outputName();

private:
    std::unique_ptr<ConsoleCapture> m_console;
    std::unique_ptr<FFprobe> m_ffprobe;
    std::unique_ptr<MervoMEncoder> m_mencoder;
};

void MergeMediaDialogTest::initTestCase()
{
    m_console = std::make_unique<ConsoleCapture>();
    m_ffprobe = std::make_unique<FFprobe>();
    QVERIFY(m_ffprobe->startInterface(QStandardPaths::findExecutable("ffprobe"), QString()));
    m_mencoder = std::make_unique<MervoMEncoder>();
    QVERIFY(m_mencoder->startInterface(QStandardPaths::findExecutable("mencoder"), QString()));
    EngineObjects::setEngines(nullptr, m_ffprobe.get(), m_mencoder.get());
}

void MergeMediaDialogTest::cleanupTestCase()
{
    EngineObjects::setEngines(nullptr, nullptr, nullptr);
    m_ffprobe.reset();
    m_mencoder.reset();
    m_console.reset();
}

void MergeMediaDialogTest::addFile_data()
{
    // Files chosen one after the other ("" cancels the chooser); those accepted, in order.
    QTest::addColumn<QStringList>("chosen");
    QTest::addColumn<QStringList>("accepted");
    QTest::addColumn<QString>("refusal"); // the informative text of the last box, %1 the file
    const QString same = avi("merge-same.avi", "size=320x240:rate=25");
    const QString other = avi("merge-same2.avi", "size=320x240:rate=25");
    const QString video = "<i>Couldn't add file to merge list: video must be transcoded for file %1</i>";
    QTest::newRow("two compatible in order") << QStringList{same, other} << QStringList{same, other} << "";
    QTest::newRow("picture size refused") << QStringList{avi("merge-size.avi", "size=352x288:rate=25")}
                                          << QStringList{} << video;
    QTest::newRow("frame rate refused after one accepted")
        << QStringList{same, avi("merge-rate.avi", "size=320x240:rate=30")} << QStringList{same} << video;
    // The path is escaped in the box's rich text.
    QTest::newRow("markup in the name") << QStringList{avi("<b>a&b.avi", "size=352x288:rate=25")} << QStringList{}
                                        << video;
    QTest::newRow("cancelled chooser") << QStringList{""} << QStringList{} << "";
}

void MergeMediaDialogTest::addFile()
{
    QFETCH(QStringList, chosen);
    QFETCH(QStringList, accepted);
    QFETCH(QString, refusal);
    MergeSetup setup(TestMedia::standardAvi(), QDir::tempPath());
    QVERIFY(setup.referenced);
    setup.dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(setup.dialog.get()));
    QVERIFY(!setup.button("Merge media files")->isEnabled());

    WindowTesting::FileChooserScript chooser;
    WindowTesting::ModalAnswerer answerer;
    for (const QString &path : chosen) {
        chooser.answer(path);
        if (!path.isEmpty() && !accepted.contains(path))
            answerer.answerWith(QMessageBox::Ok);
        setup.button("Load file")->click();
    }
    QCOMPARE(chooser.requests().size(), chosen.size());
    QCOMPARE(chooser.requests().first().caption, QString("Open media file"));
    QCOMPARE(chooser.requests().first().start, QDir::tempPath());

    QCOMPARE(setup.files, QStringList{TestMedia::standardAvi()} + accepted);
    QCOMPARE(setup.merger.files().size(), setup.files.size());
    const QList<QLineEdit *> lines = setup.fileLines();
    QCOMPARE(lines.size(), setup.files.size() + 1);
    for (int i = 0; i < setup.files.size(); ++i)
        QCOMPARE(lines.at(i)->text(), QFileInfo(setup.files.at(i)).fileName());
    QVERIFY(lines.last()->text().isEmpty());
    for (QLineEdit *line : lines)
        QTRY_VERIFY_WITH_TIMEOUT(line->isVisible() && line->isReadOnly(), WindowTesting::kScreenWait);
    QCOMPARE(lines.last()->placeholderText(), QString("Click below to load next file to merge..."));
    QCOMPARE(setup.button("Merge media files")->isEnabled(), !accepted.isEmpty());
    if (refusal.isEmpty()) {
        QVERIFY(answerer.seen().isEmpty());
    } else {
        QCOMPARE(answerer.seen().size(), 1);
        QCOMPARE(answerer.seen().last().text.trimmed(), QString("<b>Selected file can't be merged with current ones."));
        QCOMPARE(answerer.seen().last().informativeText, refusal.arg(chosen.last().toHtmlEscaped()));
        QVERIFY(WindowTesting::nonBlackShare(answerer.seen().last().screenshot) > 0.5);
    }
    const QImage shot = WindowTesting::grabWidget(setup.dialog.get());
    WindowTesting::saveScreenshot(shot, QString("merge-dialog-%1").arg(QTest::currentDataTag()).replace(' ', '-'));
    QVERIFY(WindowTesting::nonBlackShare(shot) > 0.5);
    QVERIFY(WindowTesting::distinctColours(shot) > 4);
}

void MergeMediaDialogTest::outputName_data()
{
    QTest::addColumn<QStringList>("existing"); // files in the user's folder
    QTest::addColumn<QString>("initial");
    QTest::addColumn<QString>("typed"); // "" leaves the name; "input" / "user" choose a folder
    QTest::addColumn<QString>("result");
    QTest::addColumn<bool>("inputFolder");
    QTest::newRow("free folder") << QStringList{} << "clip.merge.avi" << "" << "clip.merge.avi" << false;
    QTest::newRow("merge of another suffix numbers")
        << QStringList{"clip.merge.mkv"} << "clip.merge (1).avi" << "" << "clip.merge (1).avi" << false;
    QTest::newRow("typed existing name keeps its suffix")
        << QStringList{"joined.mp4", "joined (2).avi"} << "clip.merge.avi" << "joined.mkv" << "joined (3).mkv" << false;
    QTest::newRow("typed name without suffix") << QStringList{} << "clip.merge.avi" << "joined" << "joined." << false;
    QTest::newRow("typed path keeps only the name")
        << QStringList{} << "clip.merge.avi" << "../elsewhere/joined.avi" << "joined.avi" << false;
    QTest::newRow("input folder choice renumbers in the user folder")
        << QStringList{"clip.merge.mkv", "clip.merge (4).avi"} << "clip.merge (5).avi" << "input"
        << "clip.merge (5).avi" << true;
}

void MergeMediaDialogTest::outputName()
{
    QFETCH(QStringList, existing);
    QFETCH(QString, initial);
    QFETCH(QString, typed);
    QFETCH(QString, result);
    QFETCH(bool, inputFolder);
    QTemporaryDir input;
    QTemporaryDir user;
    // The first file is reached through a link: the tool tip names the real folder.
    QVERIFY(QDir(input.path()).mkdir("real") && QFile::link(input.filePath("real"), input.filePath("via")));
    const QString first = input.filePath("via/clip.avi");
    QVERIFY(QFile::copy(TestMedia::standardAvi(), first));
    for (const QString &name : existing)
        QVERIFY(QFile(user.filePath(name)).open(QIODevice::WriteOnly));
    MergeSetup setup(first, user.path());
    QCOMPARE(setup.outputName, initial);
    QCOMPARE(setup.choice("Merge in user folder")->toolTip(), user.path());
    QCOMPARE(setup.choice("Merge in input folder")->toolTip(), QFileInfo(input.filePath("real")).canonicalFilePath());
    QVERIFY(setup.choice("Merge in user folder")->isChecked());
    // Another name in the meantime, so that the choice visibly rewrites it.
    if (typed == "input") {
        setup.dialog->findChild<QLineEdit *>("outputName")->setText("clip.merge.avi");
        setup.choice("Merge in input folder")->click();
    } else if (!typed.isEmpty()) {
        setup.typeName(typed);
    }
    QCOMPARE(setup.useInputFolder, inputFolder);
    QCOMPARE(setup.outputName, result);
    QCOMPARE(setup.dialog->findChild<QLineEdit *>("outputName")->text(), result);
    if (inputFolder) {
        setup.choice("Merge in user folder")->click();
        QVERIFY(!setup.useInputFolder);
    }
}

VEXO_TEST_CLASS(MergeMediaDialogTest)
#include "tst_mergemediadialog.moc"
