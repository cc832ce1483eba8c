#include "editor/winEditor.h"

#include "core/Globals.h"
#include "core/SettingKeys.h"
#include "core/modFiles.h"
#include "core/modSettings.h"
#include "core/modWindows.h"
#include "editor/modColorDialog.h"
#include "editor/modEditorActions.h"
#include "editor/modFontList.h"
#include "platform/Platform.h"
#include "tray/winMenu.h"

#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTimer>

using modSettings::ReadSetting;
using modSettings::WriteSetting;

namespace {

QPointer<winEditor> sharedEditor;

constexpr int kTwipsPerPixel = 15;
constexpr double kDesignFontSize = 8.25;

QRect TwipsRect(int left, int top, int width, int height)
{
    return QRect(left / kTwipsPerPixel, top / kTwipsPerPixel, width / kTwipsPerPixel,
                 height / kTwipsPerPixel);
}

// Colours are stored as 0x00BBGGRR in signed decimal text.
QColor ColorFromStored(qint64 value)
{
    const quint32 bgr = quint32(value);
    return QColor(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF);
}

QString StoredFromColor(const QColor &color)
{
    const quint32 bgr = quint32(color.red()) | quint32(color.green()) << 8 | quint32(color.blue()) << 16;
    return QString::number(qint32(bgr));
}

// The leading decimal number of a size text ("12 pt" -> 12); 0 when none.
double LeadingNumber(const QString &text)
{
    static const QRegularExpression number(QStringLiteral("^\\s*(\\d+(?:[.,]\\d+)?)"));
    const QRegularExpressionMatch match = number.match(text);
    return match.hasMatch() ? match.captured(1).replace(QLatin1Char(','), QLatin1Char('.')).toDouble() : 0;
}

template <typename Control> Control *Named(Control *control, const char *name, const QRect &geometry)
{
    control->setObjectName(QLatin1String(name));
    control->setGeometry(geometry);
    return control;
}

} // namespace

winEditor *winEditor::SharedEditor()
{
    if (!sharedEditor)
        sharedEditor = new winEditor;
    return sharedEditor;
}

winEditor *winEditor::NewEditor()
{
    return new winEditor;
}

void winEditor::closeEvent(QCloseEvent *event)
{
    // A closed editor waits for its deletion; opening the editor again in
    // the meantime must not show this one, which would vanish under the user.
    if (sharedEditor == this)
        sharedEditor.clear();
    QWidget::closeEvent(event);
}

winEditor::winEditor()
{
    setObjectName(QStringLiteral("winEditor"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Zettlor Note Editor"));
    setWindowIcon(winMenu::ProgramIcon());
    // Fixed border, minimize but no maximize, no taskbar button.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint);
    setFont(QFont(QStringLiteral("Verdana"), 8));
    QFont windowFont = font();
    windowFont.setPointSizeF(kDesignFontSize);
    setFont(windowFont);
    setFixedSize(5535 / kTwipsPerPixel, 3615 / kTwipsPerPixel);
    CreateControls();
    Form_Load();
}

winEditor::~winEditor() = default;

void winEditor::CreateControls()
{
    Shape2 = Named(new QFrame(this), "Shape2", TwipsRect(120, 120, 5295, 2895));
    Shape2->setAutoFillBackground(true);
    Shape2->setStyleSheet(
        QStringLiteral("QFrame#Shape2 { background-color: #fafafb; border: 1px solid #a0a0a0; }"));

    Text1 = Named(new QPlainTextEdit(this), "Text1", TwipsRect(360, 840, 4815, 1935));
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Text1->setTabChangesFocus(true);

    FontCombo = Named(new QComboBox(this), "FontCombo", TwipsRect(360, 360, 2535, 315));
    FontCombo->setToolTip(QStringLiteral("Text Font"));
    FontSizeCombo = Named(new QComboBox(this), "FontSizeCombo", TwipsRect(3000, 360, 615, 315));
    FontSizeCombo->setEditable(true);
    FontSizeCombo->setInsertPolicy(QComboBox::NoInsert);
    FontSizeCombo->setEditText(QStringLiteral("8"));
    FontSizeCombo->setToolTip(QStringLiteral("Text Size"));

    Label2 = Named(new QLabel(this), "Label2", TwipsRect(3720, 360, 315, 315));
    Label2->setToolTip(QStringLiteral("Background Color"));
    Label3 = Named(new QLabel(this), "Label3", TwipsRect(4080, 360, 315, 315));
    Label3->setToolTip(QStringLiteral("Text Color"));
    for (QLabel *swatch : {Label2, Label3}) {
        swatch->setCursor(Qt::PointingHandCursor);
        swatch->installEventFilter(this);
    }
    modColorDialog::SetSwatchColor(Label2, ColorFromStored(0x00C0FFFF));
    modColorDialog::SetSwatchColor(Label3, ColorFromStored(0x00404040));

    Command3 = Named(new QPushButton(QStringLiteral("B"), this), "Command3", TwipsRect(4500, 360, 315, 315));
    Command3->setFont(QFont(QStringLiteral("Verdana"), 9, QFont::Bold));
    Command3->setToolTip(QStringLiteral("Bold Text"));
    Command4 = Named(new QPushButton(QStringLiteral("I"), this), "Command4", TwipsRect(4860, 360, 315, 315));
    QFont italic(QStringLiteral("Verdana"), 9, QFont::Bold);
    italic.setItalic(true);
    Command4->setFont(italic);
    Command4->setToolTip(QStringLiteral("Italic Text"));

    Command1 =
        Named(new QPushButton(QStringLiteral("Create"), this), "Command1", TwipsRect(3120, 3120, 1095, 375));
    Command2 =
        Named(new QPushButton(QStringLiteral("Cancel"), this), "Command2", TwipsRect(4320, 3120, 1095, 375));
    Command1->installEventFilter(this);
    Text1->installEventFilter(this);

    // Design look of the working copy.
    SetTextBackColor(ColorFromStored(0x00C0FFFF));
    SetTextForeColor(palette().color(QPalette::WindowText));
    QFont textFont(QStringLiteral("Verdana"));
    textFont.setPointSizeF(kDesignFontSize);
    Text1->setFont(textFont);

    setTabOrder(Text1, FontCombo);
    setTabOrder(FontCombo, FontSizeCombo);
    setTabOrder(FontSizeCombo, Command3);
    setTabOrder(Command3, Command4);
    setTabOrder(Command4, Command1);
    setTabOrder(Command1, Command2);

    connect(FontCombo, &QComboBox::currentIndexChanged, this, &winEditor::FontCombo_Click);
    connect(FontSizeCombo, &QComboBox::activated, this, &winEditor::FontSizeCombo_Click);
    connect(Command3, &QPushButton::clicked, this, [this] { SetTextBold(!Text1->font().bold()); });
    connect(Command4, &QPushButton::clicked, this, [this] { SetTextItalic(!Text1->font().italic()); });
    connect(Command1, &QPushButton::clicked, this, &winEditor::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &winEditor::CloseEditor);
}

void winEditor::Form_Load()
{
    FillFontList();
    FontSizeCombo->addItems(modFontList::FontSizeList());
    FontSizeCombo->setCurrentIndex(-1);
    FontSizeCombo->setEditText(QStringLiteral("8"));
    ApplySavedDefaults();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    show();
    Text1->setFocus();
}

void winEditor::FillFontList()
{
    const QString listFile = modFontList::FontListFile();
    if (QFile::exists(listFile)) {
        modFiles::FillComboFromFile(FontCombo, listFile);
        return;
    }
    // No list file (or a program folder we may not write): list the fonts here
    // and try to keep them for the next opening.
    const QSignalBlocker quiet(FontCombo);
    FontCombo->addItems(modFontList::InstalledFonts());
    FontCombo->setCurrentIndex(-1);
    ComboSave(FontCombo, listFile);
}

void winEditor::ApplySavedDefaults()
{
    bool ok = false;
    const qint64 noteColor = ReadSetting(SettingKeys::NoteColor).toLongLong(&ok);
    if (ok) {
        SetTextBackColor(ColorFromStored(noteColor));
        modColorDialog::SetSwatchColor(Label2, ColorFromStored(noteColor));
    }
    const qint64 textColor = ReadSetting(SettingKeys::TextColor).toLongLong(&ok);
    if (ok) {
        SetTextForeColor(ColorFromStored(textColor));
        modColorDialog::SetSwatchColor(Label3, ColorFromStored(textColor));
    }
    const QString fontName = ReadSetting(SettingKeys::FontName);
    const int fontIndex = fontName.isEmpty() ? -1 : FontCombo->findText(fontName, Qt::MatchExactly);
    if (fontIndex >= 0)
        FontCombo->setCurrentIndex(fontIndex);
    const QString fontSize = ReadSetting(SettingKeys::FontSize);
    if (!fontSize.isEmpty()) {
        FontSizeCombo->setEditText(fontSize);
        SetTextFontSize(LeadingNumber(fontSize));
    }
    if (IsExactlyTrue(ReadSetting(SettingKeys::FontBold)))
        SetTextBold(true);
    if (IsExactlyTrue(ReadSetting(SettingKeys::FontItalic)))
        SetTextItalic(true);
}

void winEditor::SaveDefaults()
{
    WriteSetting(SettingKeys::NoteColor, StoredFromColor(TextBackColor()));
    WriteSetting(SettingKeys::TextColor, StoredFromColor(TextForeColor()));
    WriteSetting(SettingKeys::FontName, FontCombo->currentText());
    WriteSetting(SettingKeys::FontSize, FontSizeCombo->currentText());
    WriteSetting(SettingKeys::FontBold,
                 Text1->font().bold() ? QStringLiteral("True") : QStringLiteral("False"));
    WriteSetting(SettingKeys::FontItalic,
                 Text1->font().italic() ? QStringLiteral("True") : QStringLiteral("False"));
}

void winEditor::ComboSave(const QComboBox *TheCombo, const QString &FileName)
{
    modFontList::ComboSave(TheCombo, FileName);
}

QColor winEditor::TextBackColor() const
{
    return Text1->palette().color(QPalette::Base);
}

QColor winEditor::TextForeColor() const
{
    return Text1->palette().color(QPalette::Text);
}

void winEditor::SetTextBackColor(const QColor &color)
{
    QPalette colors = Text1->palette();
    colors.setColor(QPalette::Base, color);
    Text1->setPalette(colors);
}

void winEditor::SetTextForeColor(const QColor &color)
{
    QPalette colors = Text1->palette();
    colors.setColor(QPalette::Text, color);
    Text1->setPalette(colors);
}

void winEditor::SetTextFontSize(double points)
{
    if (points <= 0)
        return;
    QFont textFont = Text1->font();
    textFont.setPointSizeF(points);
    Text1->setFont(textFont);
}

void winEditor::SetTextBold(bool bold)
{
    QFont textFont = Text1->font();
    textFont.setBold(bold);
    Text1->setFont(textFont);
}

void winEditor::SetTextItalic(bool italic)
{
    QFont textFont = Text1->font();
    textFont.setItalic(italic);
    Text1->setFont(textFont);
}

void winEditor::FontCombo_Click()
{
    if (FontCombo->currentIndex() < 0)
        return;
    QFont textFont = Text1->font();
    textFont.setFamily(FontCombo->currentText());
    Text1->setFont(textFont);
}

void winEditor::FontSizeCombo_Click()
{
    SetTextFontSize(LeadingNumber(FontSizeCombo->currentText()));
}

void winEditor::ChooseSwatchColor(QLabel *swatch)
{
    if (modColorDialog::ShowColorDialog(swatch, this) != QLatin1String("ColorChanged"))
        return;
    if (swatch == Label2)
        SetTextBackColor(modColorDialog::SwatchColor(Label2));
    else
        SetTextForeColor(modColorDialog::SwatchColor(Label3));
}

bool winEditor::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == Label2 || watched == Label3) && event->type() == QEvent::MouseButtonRelease) {
        ChooseSwatchColor(static_cast<QLabel *>(watched));
        return true;
    }
    if (watched == Command1 && event->type() == QEvent::MouseButtonPress) {
        const auto held = static_cast<QMouseEvent *>(event)->modifiers();
        modifierHeldOnClick = held & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
        return false;
    }
    if (watched != Text1 || event->type() != QEvent::KeyPress)
        return false;
    // Ctrl as held now: a Ctrl released over another control (a message box)
    // must not turn a later plain Enter into sending the note.
    const auto *press = static_cast<QKeyEvent *>(event);
    const int key = press->key();
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && press->modifiers().testFlag(Qt::ControlModifier)) {
        Command1_Click();
        return true;
    }
    return false;
}

void winEditor::Command1_Click()
{
    const QString mode = Command1->text();
    if (mode == QLatin1String("Create"))
        modEditorActions::CreateNoteFromEditor(*this);
    else if (mode == QLatin1String("Send"))
        modEditorActions::SendNoteFromEditor(*this);
    else if (mode == QLatin1String("Update"))
        modEditorActions::UpdateNoteFromEditor(*this);
    else
        CloseEditor();
}

void winEditor::CloseEditor()
{
    QCoreApplication::processEvents();
    hide();
    close();
}

void winEditor::BringToFront()
{
    // Left minimized, the editor and the text typed into it would be stranded.
    modWindows::BringToFront(this);
    Text1->setFocus();
}

quint64 winEditor::TaggedNoteHandle() const
{
    return tag.section(QLatin1Char('|'), -1).toULongLong();
}

winEditor *winEditor::UpdateEditorFor(quint64 noteHandle)
{
    for (QWidget *window : QApplication::topLevelWidgets()) {
        auto *editor = qobject_cast<winEditor *>(window);
        if (editor && editor->Command1->text() == QLatin1String("Update") &&
            editor->TaggedNoteHandle() == noteHandle)
            return editor;
    }
    return nullptr;
}

void winEditor::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    QTimer::singleShot(0, this, [this] { platform::KeepOffTaskbar(this); });
}
