#pragma once

#include <QLoggingCategory>

// Lines of the application shell (update check, refused links). Debug lines are off by
// default; turn them on with QT_LOGGING_RULES="vexo.app*.debug=true".
Q_DECLARE_LOGGING_CATEGORY(lcApp)
