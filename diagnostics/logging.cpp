#include "logging.h"

#ifdef NDEBUG
#define ZN_LOG_THRESHOLD QtInfoMsg
#else
#define ZN_LOG_THRESHOLD QtDebugMsg
#endif

Q_LOGGING_CATEGORY(lcShell, "zn.shell", ZN_LOG_THRESHOLD)
Q_LOGGING_CATEGORY(lcTouch, "zn.touch", ZN_LOG_THRESHOLD)
Q_LOGGING_CATEGORY(lcNetwork, "zn.network", ZN_LOG_THRESHOLD)
Q_LOGGING_CATEGORY(lcFacade, "zn.facade", ZN_LOG_THRESHOLD)
Q_LOGGING_CATEGORY(lcFiles, "zn.files", ZN_LOG_THRESHOLD)
Q_LOGGING_CATEGORY(lcEngine, "zn.engine", ZN_LOG_THRESHOLD)
Q_LOGGING_CATEGORY(lcCollage, "zn.collage", ZN_LOG_THRESHOLD)
