// The Connect dialog's operations: the dialog's states, the upload with its progress display,
// its end with the save and "@CLR", Cancel and the set-up.
#include "connectview.h"
#include "linksession.h"
#include "packetdecoder.h"
#include "prompts.h"
#include "protocol.h"
#include "store.h"

#include <cstring>

namespace {

const QString kUploadCaption = QStringLiteral("Upload");
const QString kCancelCaption = QStringLiteral("Cancel");

// Decimal digits of v (as %d) at p; returns the end.
char16_t *putDecimal(char16_t *p, int32_t v)
{
    uint32_t u = uint32_t(v);
    if (v < 0) {
        *p++ = u'-';
        u = 0u - u;
    }
    char16_t digits[10];
    int n = 0;
    do {
        digits[n++] = char16_t(u'0' + u % 10);
        u /= 10;
    } while (u > 0);
    while (n > 0)
        *p++ = digits[--n];
    return p;
}

// "/%d  %d%% Received." of logCount and percent at out (PROGRESS_TAIL_MAX characters at
// most); returns its length.
constexpr int PROGRESS_TAIL_MAX = 40;
int progressTail(char16_t *out, int32_t logCount, int percent)
{
    static constexpr char16_t kReceived[] = u"% Received.";
    char16_t *p = out;
    *p++ = u'/';
    p = putDecimal(p, logCount);
    *p++ = u' ';
    *p++ = u' ';
    p = putDecimal(p, percent);
    for (const char16_t c : kReceived) {
        if (c)
            *p++ = c;
    }
    return int(p - out);
}

} // namespace

QString progressText(int32_t getCount, int32_t logCount, int percent)
{
    char16_t text[2 * PROGRESS_TAIL_MAX];
    char16_t *p = putDecimal(text, getCount);
    p += progressTail(p, logCount, percent);
    return QString(reinterpret_cast<const QChar *>(text), p - text);
}

// ---- Dialog states

void LinkSession::beginWaiting()
{
    m_operating = true;
    m_view.setScanEnabled(false);
    m_view.setUploadEnabled(false);
    m_view.setSetEnabled(false);
    m_view.setCloseEnabled(false);
    m_view.setDevicesEnabled(false);
    m_view.setActivity(ConnectView::Activity::Waiting);
}

void LinkSession::becomeIdle()
{
    m_operating = false;
    m_aborted = false;
    m_cancelArmed = false;
    m_cancelGuard.stop();
    m_linkUpLimit.stop();
    m_uploadState = Idle;
    m_view.setUploadCaption(kUploadCaption);
    m_view.setScanEnabled(true);
    m_view.setUploadEnabled(m_uploadAllowed);
    m_view.setSetEnabled(m_view.deviceCount() > 0);
    m_view.setCloseEnabled(true);
    m_view.setDevicesEnabled(true);
    m_view.setActivity(ConnectView::Activity::None);
}

void LinkSession::armCancel()
{
    if (m_uploadState != Transferring || m_completing || m_cancelling)
        return;
    m_cancelArmed = true;
    m_view.setUploadEnabled(true);
}

void LinkSession::abort()
{
    if (!m_operating && !m_linkState)
        return;
    m_aborted = true;
    emit linkEvent();
    // A running wait ends now, and so does the link coming up: their sequence closes the link.
    // Otherwise it is closed here.
    if (m_busy || m_completing || m_cancelling || (m_operating && m_uploadState == Idle))
        return;
    if (m_uploadState == Transferring)
        endTransfer();
    else
        closeLink();
    m_aborted = false;
}

// ---- Upload, cancel, set

void LinkSession::Button2Click()
{
    // A press while the link comes up or during a wait finds the button disabled; one that
    // arrives anyway (queued meanwhile) must not start or end anything.
    if (m_uploadState == Idle && !m_operating)
        Upload();
    else if (m_uploadState == Transferring && m_cancelArmed && !m_busy && !m_completing)
        Cancel();
}

void LinkSession::Upload()
{
    m_pending = QLatin1String(COMMAND_UPLOAD);
    beginWaiting();
    if (!Connect()) {
        becomeIdle();
        return;
    }
    if (m_aborted) {
        closeLink();
        becomeIdle();
        return;
    }
    m_linkedTransfer = true;
    startTransfer();
    m_linkUpLimit.start(m_writeTimeoutMs);
}

void LinkSession::startTransfer()
{
    m_decoder.resetCounters();
    m_operating = true;
    m_view.setScanEnabled(false);
    m_view.setSetEnabled(false);
    m_view.setCloseEnabled(false);
    m_view.setDevicesEnabled(false);
    m_uploadState = Transferring;
    m_cancelArmed = false;
    m_view.setUploadEnabled(false);
    m_view.setUploadCaption(kCancelCaption);
    m_view.setActivity(ConnectView::Activity::Working);
    m_view.setProgressText(QString());
    m_view.setProgressTextVisible(true);
    m_view.setProgressPosition(0);
    m_view.setProgressBarVisible(false);
    m_progressSerial = m_view.selectedSerial();
    m_hasProgress = true;
    m_barPercent = 0;
    m_barShown = false;
    m_tailPercent = -1;
}

bool LinkSession::CheckPacket(int32_t count, const uint8_t *buff)
{
    return m_decoder.CheckPacket(count, buff);
}

void LinkSession::CheckProgress()
{
    // Packets arriving outside a transfer, or while its end or cancel is in progress, change
    // nothing beyond the decoder's counters.
    if (m_uploadState != Transferring || m_completing)
        return;
    const int32_t logCount = m_decoder.Log_Count;
    if (logCount == 0) {
        if (m_cancelling)
            return;
        m_completing = true;
        beginWaiting();
        m_prompts.notice(QStringLiteral("No data recorded."));
        endTransfer();
        m_completing = false;
        return;
    }
    const int32_t getCount = m_decoder.Get_Count;
    const int percent = int(int64_t(getCount) * 100 / logCount);
    showProgressText(getCount, logCount, percent);
    // The label changes with every packet, the bar a hundred times in an upload: it is only
    // touched when what it shows changes.
    if (percent != m_barPercent) {
        m_view.setProgressPosition(percent);
        m_barPercent = percent;
    }
    if (!m_barShown) {
        m_view.setProgressBarVisible(true);
        m_barShown = true;
    }
    if (getCount != logCount || m_cancelling)
        return;
    completeTransfer();
}

void LinkSession::showProgressText(int32_t getCount, int32_t logCount, int percent)
{
    // Runs for every packet of an upload. Everything after the count changes a hundred
    // times in an upload and is kept; two texts are used in turn: the view holds a copy of
    // the last one, so the other is usually free again and is rewritten in place, without an
    // allocation. A text still held elsewhere is detached by resize() as any shared string is.
    // Built with a format string per packet instead, bench-decode's step with progress takes
    // about 7 times as long (QString::asprintf) or about twice as long (QString::number of the
    // count before a kept tail). The tests compare progressText(), built from the same pieces,
    // with the format.
    if (percent != m_tailPercent || logCount != m_tailLog) {
        m_tail.resize(PROGRESS_TAIL_MAX);
        m_tail.resize(progressTail(reinterpret_cast<char16_t *>(m_tail.data()), logCount, percent));
        m_tailPercent = percent;
        m_tailLog = logCount;
    }
    char16_t count[12];
    const qsizetype digits = putDecimal(count, getCount) - count;
    m_progressFlip ^= 1;
    QString &shown = m_progressTexts[m_progressFlip];
    shown.resize(digits + m_tail.size());
    char16_t *out = reinterpret_cast<char16_t *>(shown.data());
    std::memcpy(out, count, size_t(digits) * sizeof(char16_t));
    std::memcpy(out + digits, m_tail.utf16(), size_t(m_tail.size()) * sizeof(char16_t));
    m_view.setProgressText(shown);
}

void LinkSession::completeTransfer()
{
    m_completing = true;
    beginWaiting();
    bool cleared = true;
    if (saveUpload()) {
        // The check compares the file with the slot the upload filled, so it runs before the
        // recording is entered (which moves on the free slot).
        const bool mayClear = m_clearCheck(m_prompts);
        EntryNewData(SOURCE_UPLOAD);
        m_uploadAllowed = SetFreeNo();
        // A transfer fed without a link (keldra-tool decode) has no sensor to clear.
        if (m_linkedTransfer && mayClear)
            cleared = clearSensor();
    }
    endTransfer();
    m_completing = false;
    if (!cleared)
        m_prompts.notice(
            QStringLiteral("Data saved. Unable to clear the data in %1.").arg(m_deviceName));
}

// The save dialog and the save; true when the measurement was written.
bool LinkSession::saveUpload()
{
    FileDialogSpec dialogSpec;
    dialogSpec.filterName = QStringLiteral("csvファイル");
    dialogSpec.filterPattern = QStringLiteral("*.csv");
    dialogSpec.defaultExtension = QStringLiteral("csv");
    SaveDialogFileName = m_prompts.saveFileName(dialogSpec);
    return !SaveDialogFileName.isEmpty() && m_save && m_save(m_prompts);
}

// "@CLR" and its confirmation; false when the sensor may still hold the recording (the link
// was lost before or while it went out, the write was refused or never confirmed).
bool LinkSession::clearSensor()
{
    if (m_lost || m_aborted || !m_linkState)
        return false;
    return waitForWrite(QLatin1String(COMMAND_CLEAR)) == WriteResult::Confirmed;
}

void LinkSession::endTransfer()
{
    closeLink();
    m_linkedTransfer = false;
    becomeIdle();
}

void LinkSession::Cancel()
{
    m_cancelling = true;
    beginWaiting();
    m_view.setUploadCaption(kCancelCaption);
    const WriteResult result = waitForWrite(QLatin1String(COMMAND_CANCEL));
    m_cancelling = false;
    endTransfer();
    // A lost or refused write ends in a closed link as well, which stops the transfer; a sensor
    // that never answered may still think it is sending.
    if (result == WriteResult::TimedOut)
        m_prompts.notice(QStringLiteral("No response from %1.").arg(m_deviceName));
}

void LinkSession::Button3Click()
{
    if (m_operating || m_uploadState != Idle)
        return;
    m_pending = m_view.setupCommandText();
    beginWaiting();
    if (!Connect()) {
        becomeIdle();
        return;
    }
    // The command goes out when the link reports connected: it is the first write of the link.
    const WriteResult result = waitForWrite(1);
    closeLink();
    const bool aborted = m_aborted;
    becomeIdle();
    if (aborted)
        return;
    if (result == WriteResult::Confirmed)
        m_prompts.notice(QStringLiteral("Set up %1.").arg(m_selectedSerial));
    else
        m_prompts.notice(QStringLiteral("Unable to set up %1.").arg(m_selectedSerial));
}
