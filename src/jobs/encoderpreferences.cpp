#include "jobs/encoderpreferences.h"

EncoderPreferences::EncoderPreferences()
    : testMode(false),
      testFrames(1000),
      testChapter(4),
      testPosition(12),
      volumeCorrection(0),
      validationFrames(50),
      validationSize(1000000),
      latencyStart(3000),
      latencyFinished(3000),
      latencyKill(5000),
      forceOutputName(false),
      outputName(QStringLiteral("output"))
{
}
