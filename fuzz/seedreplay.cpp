// The test build's driver of a fuzz target: calls it once with each seed file found in the
// folders and files named on the command line, so that CTest replays every seed under the
// sanitizers in seconds. A seed that crashes the target ends the run with the sanitizer's
// report and a failed test.

#include "fuzztarget.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

int main(int argc, char **argv)
{
    int replayed = 0;
    for (int i = 1; i < argc; ++i) {
        QStringList files;
        const QString argument = QFile::decodeName(argv[i]);
        if (QFileInfo(argument).isDir()) {
            QDirIterator it(argument, QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext())
                files << it.next();
        } else {
            files << argument;
        }
        files.sort();
        for (const QString &name : std::as_const(files)) {
            QFile file(name);
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read seed %s\n", qPrintable(name));
                return 1;
            }
            const QByteArray seed = file.readAll();
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(seed.constData()), size_t(seed.size()));
            ++replayed;
        }
    }
    std::printf("%d seeds replayed\n", replayed);
    return replayed > 0 ? 0 : 1;
}
