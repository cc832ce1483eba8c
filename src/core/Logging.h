#pragma once

#include <QLoggingCategory>

// Records of skipped steps, off unless enabled with QT_LOGGING_RULES
// (for example "zettlor.*.info=true").
Q_DECLARE_LOGGING_CATEGORY(lcCore)
Q_DECLARE_LOGGING_CATEGORY(lcNotes)
Q_DECLARE_LOGGING_CATEGORY(lcTray)
Q_DECLARE_LOGGING_CATEGORY(lcNet)
Q_DECLARE_LOGGING_CATEGORY(lcEditor)
