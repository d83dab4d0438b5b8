// Diagnostic categories, one per subsystem. Debug lines are off by default in
// release builds; switch them on with QT_LOGGING_RULES="zn.*.debug=true".
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcShell)    // zn.shell: start-up, view, document loading
Q_DECLARE_LOGGING_CATEGORY(lcTouch)    // zn.touch: multi-touch tracking
Q_DECLARE_LOGGING_CATEGORY(lcNetwork)  // zn.network: the QML engine's network access and cookies
Q_DECLARE_LOGGING_CATEGORY(lcFacade)   // zn.facade: the QML facade and working-file writes
Q_DECLARE_LOGGING_CATEGORY(lcFiles)    // zn.files: working folders, crop, render, save
Q_DECLARE_LOGGING_CATEGORY(lcEngine)   // zn.engine: picture loading and engine operations
Q_DECLARE_LOGGING_CATEGORY(lcCollage)  // zn.collage: the collage cell and picture lists
