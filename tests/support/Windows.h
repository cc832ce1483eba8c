#pragma once

#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QTextDocument>
#include <QWidget>

// The top-level windows of class Window, shown or not.
template <typename Window> QList<Window *> TopLevelWindows()
{
    QList<Window *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *window = qobject_cast<Window *>(widget))
            windows << window;
    return windows;
}

// The shown top-level window of class Window; nullptr when none is shown.
template <typename Window> Window *ShownWindow()
{
    for (Window *window : TopLevelWindows<Window>())
        if (window->isVisible())
            return window;
    return nullptr;
}

// Deletes the top-level windows of the named classes; one that goes with
// another (a child or an owned window) is not deleted twice.
inline void DeleteWindows(const QStringList &classNames)
{
    QList<QPointer<QWidget>> windows;
    for (QWidget *window : QApplication::topLevelWidgets())
        if (classNames.contains(QLatin1String(window->metaObject()->className())))
            windows << window;
    qDeleteAll(windows);
}

// The text a tooltip shows: Qt renders one that looks like markup as rich text.
inline QString ShownToolTip(const QString &tip)
{
    QTextDocument shown;
    Qt::mightBeRichText(tip) ? shown.setHtml(tip) : shown.setPlainText(tip);
    return shown.toPlainText();
}

// The text a label shows: like a tooltip's, unless the label is told its text is plain.
inline QString ShownText(const QLabel &label)
{
    return label.textFormat() == Qt::PlainText ? label.text() : ShownToolTip(label.text());
}
