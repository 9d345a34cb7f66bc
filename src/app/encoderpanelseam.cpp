#include "app/encoderpanelseam.h"

#include "encoder/mervoencoder.h"

#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace {
constexpr int MEncoderType = 1;
constexpr int FFmpegType = 2;
constexpr int X264Type = 3;
constexpr int MKVmergeType = 4;
}

EncoderPanelSeam::EncoderPanelSeam(const QString &ffmpegPath, const QString &mencoderPath,
                                   const QString &x264Path, const QString &mkvmergePath,
                                   QTextEdit *stdIn, QTextEdit *stdOut, QTextEdit *stdErr,
                                   QTextEdit *log, int verbosity,
                                   const EncoderPreferences &preferences, QWidget *parent)
    : QWidget(parent)
    , m_encoder(new MervoEncoder(stdIn, stdOut, stdErr, log, verbosity, this))
    , m_preferences(preferences)
{
    setObjectName(QStringLiteral("EncoderPanelSeam"));
    m_encoder->initEngine(FFmpegType, ffmpegPath);
    m_encoder->initEngine(MEncoderType, mencoderPath);
    m_encoder->initEngine(X264Type, x264Path);
    m_encoder->initEngine(MKVmergeType, mkvmergePath);

    m_frame = new QGroupBox(tr("Encoder"), this);
    auto *frameLayout = new QVBoxLayout(m_frame);
    auto *note = new QLabel(tr("The encoder panel is not part of this build yet."), m_frame);
    note->setAlignment(Qt::AlignCenter);
    frameLayout->addWidget(note);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_frame);
    enableControls(false);
}

EncoderPanelSeam::~EncoderPanelSeam() = default;

bool EncoderPanelSeam::hasEngine(int type) const
{
    return type >= MEncoderType && type <= MKVmergeType;
}

bool EncoderPanelSeam::isEngineReady(int type) const
{
    return hasEngine(type) && m_encoder->isEngineReady(type);
}

void EncoderPanelSeam::enginesReady(bool &ffmpegReady, bool &mencoderReady) const
{
    ffmpegReady = isEngineReady(FFmpegType);
    mencoderReady = isEngineReady(MEncoderType);
}

QString EncoderPanelSeam::engineBinary(int type) const
{
    return hasEngine(type) ? m_encoder->engineBinary(type) : QString();
}

QString EncoderPanelSeam::engineVersion(int type) const
{
    return hasEngine(type) ? m_encoder->engineVersion(type) : QString();
}

void EncoderPanelSeam::setEngineBinPath(int type, const QString &path)
{
    if (hasEngine(type))
        m_encoder->setEngineBinary(type, path);
}

InterfaceStatus EncoderPanelSeam::interfaceStatus(int type) const
{
    const InterfaceStatus *status = hasEngine(type) ? m_encoder->interfaceStatus(type) : nullptr;
    return status ? *status : InterfaceStatus();
}

EngineCapabilities EncoderPanelSeam::capabilities(int type) const
{
    const EngineCapabilities *found = hasEngine(type) ? m_encoder->capabilities(type) : nullptr;
    return found ? *found : EngineCapabilities();
}

void EncoderPanelSeam::setTarget(const QString &folder, const QString &baseName)
{
    m_targetFolder = folder;
    m_targetName = baseName;
}

void EncoderPanelSeam::setVerbosity(int level)
{
    m_encoder->setVerbosity(level);
}

void EncoderPanelSeam::enableControls(bool enable)
{
    m_frame->setEnabled(enable);
}
