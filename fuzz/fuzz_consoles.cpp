// Text an engine prints on its way to the consoles: the program's console views (one line at
// a time, cut to their bounds, as plain text), a task console's views through their paced
// feed, and the paced feed alone with its own line and character bounds.

#include "fuzztarget.h"

#include "encoding/consoledialog.h"
#include "encoding/consoletextfeed.h"
#include "jobs/console.h"

#include <QTextEdit>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUpWindows();
    const QString text = FuzzTarget::text(data, size);
    QTextEdit log, err, out, in;
    Console console;
    console.setSinks(&in, &out, &err, &log);
    console.setVerbosity(3);
    for (const QByteArray &line : FuzzTarget::lines(data, size)) {
        const QString value = QString::fromUtf8(line);
        console.log(1, value);
        console.stdErr(2, value);
        console.stdOut(2, value);
    }
    Console::appendPlain(&log, text);

    ConsoleDialog task(QStringLiteral("job"), QStringLiteral("Encoding"), QStringLiteral("engine"),
                       QStringLiteral("engine"), 1, true);
    task.appendStdOut(text);
    task.appendStdErr(text);
    task.flushOutput();

    QTextEdit view;
    ConsoleTextFeed feed(&view, nullptr);
    for (const QByteArray &line : FuzzTarget::lines(data, size))
        feed.append(QString::fromUtf8(line));
    feed.flush();
    FuzzTarget::parsed(log.toPlainText().size() + view.toPlainText().size());
    return 0;
}
