#include "core/Logging.h"

Q_LOGGING_CATEGORY(lcCore, "zettlor.core", QtWarningMsg)
Q_LOGGING_CATEGORY(lcNotes, "zettlor.notes", QtWarningMsg)
Q_LOGGING_CATEGORY(lcTray, "zettlor.tray", QtWarningMsg)
Q_LOGGING_CATEGORY(lcNet, "zettlor.net", QtWarningMsg)
Q_LOGGING_CATEGORY(lcEditor, "zettlor.editor", QtWarningMsg)
