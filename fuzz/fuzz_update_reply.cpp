// The update service's reply: its four tagged values, and the texts the dialog shows of them.

#include "fuzztarget.h"

#include "app/replytext.h"
#include "app/softwareupdate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzTarget::setUp();
    const QString body = FuzzTarget::text(data, size);
    const SoftwareUpdate::Answer answer = SoftwareUpdate::parseReply(body);
    ReplyText::richText(answer.response);
    ReplyText::richText(answer.whatYouGet);
    // The whole body too: the values are parts of it, the whole reaches more of the writer.
    ReplyText::richText(body);
    FuzzTarget::parsed((answer.response.isEmpty() ? 0 : 1) + (answer.whatYouGet.isEmpty() ? 0 : 1)
                       + (answer.openUrl.isEmpty() ? 0 : 1) + (answer.mervoUrl.isEmpty() ? 0 : 1));
    return 0;
}
