#include "notes/winNote.h"

#include "core/Globals.h"
#include "core/Logging.h"
#include "core/modAlerts.h"
#include "core/modFiles.h"
#include "notes/modDualMonitors.h"
#include "notes/modMisc.h"
#include "notes/modPinToDesktop.h"
#include "platform/Platform.h"
#include "tray/winMenu.h"

#include <QAction>
#include <QMenu>
#include <QMouseEvent>

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QRegion>
#include <QScreen>
#include <QStyle>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <cmath>

namespace {

constexpr int DefaultSaveDelay = 2000;
constexpr int DefaultRetryDelay = 30000;
int saveDelay = DefaultSaveDelay;
int retryDelay = DefaultRetryDelay;
// The user has been told that notes cannot be saved; no more balloons until
// a save succeeds again.
bool saveFailureShown = false;
std::optional<bool> applicationActiveForTests;
quint64 lastSerialNumber = 0;

constexpr int LabelLeftTwips = 120;
constexpr int LabelTopTwips = 240;
constexpr int GripSizeTwips = 135;
constexpr int GripMarginTwips = 20;
static_assert(winNote::LabelMarginTwips == 2 * LabelLeftTwips, "the text sits in the middle");
// The cut-away corner: pixels with x + y at or below this, whatever the size.
constexpr int CutCornerSum = 8;
const QColor PartColour(0x40, 0x40, 0x40);

// Another program's window in front means we are no longer active.
bool ApplicationIsActive()
{
    return applicationActiveForTests.value_or(QGuiApplication::applicationState() == Qt::ApplicationActive);
}

// Labels keep the note file's CR LF line breaks; the edit box uses LF.
QString ToEditText(QString labelText)
{
    return labelText.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}
QString ToLabelText(QString editText)
{
    return editText.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

int ToPixels(float twips)
{
    // Clamped first: a hand-made file may hold any number.
    const float pixels =
        qBound(-float(QWIDGETSIZE_MAX), twips / winNote::TwipsPerPixel, float(QWIDGETSIZE_MAX));
    return static_cast<int>(std::lround(pixels));
}

// A size that leaves no pixel is a bad field: the window would vanish, and
// its next save would keep it that way.
bool IsUsableSize(const std::optional<float> &twips)
{
    return twips && ToPixels(*twips) > 0;
}

QColor FromColourValue(qint32 value)
{
    return QColor(value & 0xff, (value >> 8) & 0xff, (value >> 16) & 0xff);
}

// The strokes of the dog-eared corner, in twips inside the window. The
// window paints them itself: a child widget per stroke cost every note three
// more widgets to create, lay out and paint.
const QLineF FoldStrokes[] = {QLineF(150, 0, 150, 160), QLineF(0, 150, 150, 150), QLineF(0, 140, 140, 0)};

// The note's one-pixel border.
class BorderRectangle final : public QWidget
{
public:
    explicit BorderRectangle(QWidget *parent) : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setPen(PartColour);
        painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
};

// The note's text. A long note's label reaches far below its window, and
// QLabel lays out all of it at every paint; this one asks the painter only
// for the lines down to the bottom of what is exposed. Same pixels: the text
// is top-aligned and clipped at that bottom either way.
class NoteText final : public QLabel
{
public:
    explicit NoteText(QWidget *parent) : QLabel(parent) {}

protected:
    void paintEvent(QPaintEvent *event) override
    {
        QRect area = contentsRect();
        area.setBottom(qMin(area.bottom(), event->rect().bottom()));
        const Qt::LayoutDirection direction = text().isRightToLeft() ? Qt::RightToLeft : Qt::LeftToRight;
        const int flags =
            QStyle::visualAlignment(direction, alignment()) | Qt::TextWordWrap | Qt::TextExpandTabs |
            (direction == Qt::LeftToRight ? Qt::TextForceLeftToRight : Qt::TextForceRightToLeft);
        QPainter painter(this);
        style()->drawItemText(&painter, area, flags, palette(), isEnabled(), text(), foregroundRole());
    }
};

QPixmap GripPicture()
{
    QImage image(9, 9, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    // Row y holds y + 1 dark pixels ending in column 6.
    for (int y = 0; y <= 6; ++y)
        for (int x = 6 - y; x <= 6; ++x)
            image.setPixelColor(x, y, PartColour);
    return QPixmap::fromImage(image);
}

} // namespace

winNote::winNote() : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint), serialNumber(++lastSerialNumber)
{
    setObjectName(QStringLiteral("winNote"));
    setProperty("tag", QStringLiteral("Note"));
    setAttribute(Qt::WA_DeleteOnClose);
    setAutoFillBackground(true);
    BuildParts();
    // Light grey until loading gives window and label the note's colour.
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, FromColourValue(0x00E0E0E0));
    setPalette(windowPalette);
    ApplyColours();
    resize(ToPixels(6615), ToPixels(4110));
    // A thousand notes must not hold a thousand pictures of themselves.
    platform::ReleasePixelsWhenStill(this);
}

winNote::~winNote() = default;

QList<winNote *> winNote::AllNotes()
{
    QList<winNote *> notes;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *note = qobject_cast<winNote *>(widget))
            notes << note;
    }
    return notes;
}

void winNote::SetSaveDelayForTests(int milliseconds)
{
    saveDelay = milliseconds > 0 ? milliseconds : DefaultSaveDelay;
    retryDelay = milliseconds > 0 ? milliseconds : DefaultRetryDelay;
}

void winNote::SetApplicationActiveForTests(std::optional<bool> active)
{
    applicationActiveForTests = active;
}

void winNote::BuildParts()
{
    SaveTimer = new QTimer(this);
    SaveTimer->setObjectName(QStringLiteral("SaveTimer"));
    SaveTimer->setSingleShot(true);
    SaveTimer->setInterval(DefaultSaveDelay);
    connect(SaveTimer, &QTimer::timeout, this, &winNote::ResaveNote);

    Shape1 = new BorderRectangle(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));

    Label2 = new NoteText(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setTextFormat(Qt::PlainText);
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label2->move(ToPixels(LabelLeftTwips), ToPixels(LabelTopTwips));

    CornerImage = new QLabel(this);
    CornerImage->setObjectName(QStringLiteral("CornerImage"));
    CornerImage->setPixmap(GripPicture());
    CornerImage->resize(ToPixels(GripSizeTwips), ToPixels(GripSizeTwips));
    CornerImage->setCursor(Qt::SizeFDiagCursor);
    // Pointer moves without a button feed the quick edit pointer check.
    setMouseTracking(true);
    Label2->setMouseTracking(true);
    Label2->installEventFilter(this);
    CornerImage->installEventFilter(this);
}

void winNote::BuildEditBox()
{
    // Made on the first quick edit, with the timers only quick edit uses: an
    // edit box costs a note about as much memory as all its other parts
    // together, and most notes are never edited.
    QuickEditTimer = new QTimer(this);
    QuickEditTimer->setObjectName(QStringLiteral("QuickEditTimer"));
    QuickEditTimer->setInterval(100);
    connect(QuickEditTimer, &QTimer::timeout, this, &winNote::QuickEditTimer_Timer);
    ResizeTimer = new QTimer(this);
    ResizeTimer->setObjectName(QStringLiteral("ResizeTimer"));
    ResizeTimer->setInterval(100);
    connect(ResizeTimer, &QTimer::timeout, this, &winNote::ResizeTimer_Timer);
    Text1 = new QTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setAcceptRichText(false);
    // A right press opens the note's menu alone, in quick edit too.
    Text1->setContextMenuPolicy(Qt::NoContextMenu);
    Text1->setFrameShape(QFrame::NoFrame);
    Text1->document()->setDocumentMargin(0);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->viewport()->setMouseTracking(true);
    Text1->hide();
    Text1->stackUnder(Label2);
    Text1->installEventFilter(this);
    Text1->viewport()->installEventFilter(this);
    // Typing alone is saved too: a crash must not take minutes of it along.
    connect(Text1, &QTextEdit::textChanged, this, [this] {
        if (inQuickEditMode)
            RestartSaveTimer();
    });
}

void winNote::ApplyCutCorner()
{
    // The window's own size: a larger shape costs the window system time at
    // every show, and a fixed one would clip a note stored wider than it.
    QRegion shape(rect());
    for (int y = 0; y <= CutCornerSum; ++y)
        shape -= QRegion(0, y, CutCornerSum - y + 1, 1);
    setMask(shape);
}

float winNote::LeftTwips() const
{
    return static_cast<float>(x() * TwipsPerPixel);
}
float winNote::TopTwips() const
{
    return static_cast<float>(y() * TwipsPerPixel);
}
float winNote::WidthTwips() const
{
    return static_cast<float>(width() * TwipsPerPixel);
}
float winNote::HeightTwips() const
{
    return static_cast<float>(height() * TwipsPerPixel);
}
void winNote::SetLeftTwips(float left)
{
    move(ToPixels(left), y());
}
void winNote::SetTopTwips(float top)
{
    move(x(), ToPixels(top));
}
void winNote::SetWidthTwips(float width)
{
    resize(qMax(1, ToPixels(width)), height());
}
void winNote::SetHeightTwips(float height)
{
    resize(width(), qMax(1, ToPixels(height)));
}

void winNote::SetBackColour(qint32 colour)
{
    backColour = colour;
    QPalette windowPalette = palette();
    windowPalette.setColor(QPalette::Window, FromColourValue(colour));
    setPalette(windowPalette);
    ApplyColours();
}

void winNote::SetTextColour(qint32 colour)
{
    textColour = colour;
    ApplyColours();
}

void winNote::ApplyColours()
{
    QPalette labelPalette = Label2->palette();
    labelPalette.setColor(QPalette::Window, FromColourValue(backColour));
    labelPalette.setColor(QPalette::WindowText, FromColourValue(textColour));
    Label2->setPalette(labelPalette);
}

void winNote::LayOutLabel()
{
    Label2->resize(qMax(1, width() - ToPixels(LabelMarginTwips)), Label2->height());
    FitLabelHeight();
}

void winNote::FitLabelHeight()
{
    Label2->resize(Label2->width(), qMax(1, Label2->heightForWidth(Label2->width())));
}

void winNote::RepositionNoteParts()
{
    Shape1->setGeometry(0, 0, width(), height());
    const int margin = ToPixels(GripMarginTwips);
    CornerImage->move(width() - CornerImage->width() - margin, height() - CornerImage->height() - margin);
    Shape1->raise();
    CornerImage->raise();
}

void winNote::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(PartColour);
    for (const QLineF &stroke : FoldStrokes)
        painter.drawLine(QLineF(stroke.p1() / TwipsPerPixel, stroke.p2() / TwipsPerPixel));
}

void winNote::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    ApplyCutCorner();
    LayOutLabel();
    RepositionNoteParts();
}

void winNote::closeEvent(QCloseEvent *event)
{
    // A close from the window system (a window manager's close button or
    // Alt+F4) puts the note away as Exit would: what was typed is written
    // first, and a note that cannot be written stays open with its text.
    // The program's own closes (delete, archive) have saved or dropped it.
    if (event->spontaneous() && !SavePendingChanges()) {
        event->ignore();
        return;
    }
    SaveTimer->stop();
    hide();
    event->accept();
}

void winNote::SetStackingHints(Qt::WindowFlags hint)
{
    const bool wasVisible = isVisible();
    Qt::WindowFlags flags = windowFlags() & ~(Qt::WindowStaysOnTopHint | Qt::WindowStaysOnBottomHint);
    setWindowFlags(flags | hint);
    if (wasVisible)
        show();
}

void winNote::ApplyRecord(const modNoteText::NoteRecord &record)
{
    if (IsUsableSize(record.height))
        SetHeightTwips(*record.height);
    if (IsUsableSize(record.width))
        SetWidthTwips(*record.width);
    const QScreen *primary = QGuiApplication::primaryScreen();
    const QSize screen = primary ? primary->size() : QSize(1024, 768);
    if (record.leftCentred)
        SetLeftTwips(screen.width() * TwipsPerPixel / 2.0f - WidthTwips() / 2);
    else if (record.left)
        SetLeftTwips(*record.left);
    if (record.topCentred)
        SetTopTwips(screen.height() * TwipsPerPixel / 2.0f - HeightTwips() / 2);
    else if (record.top)
        SetTopTwips(*record.top);
    QFont font = Label2->font();
    if (record.bold)
        font.setBold(true);
    if (record.italic)
        font.setItalic(true);
    if (record.fontName)
        font.setFamily(*record.fontName);
    if (record.fontSize && *record.fontSize > 0)
        font.setPointSizeF(*record.fontSize);
    Label2->setFont(font);
    // Both colours reach the label's palette in one go.
    textColour = record.textColour.value_or(textColour);
    SetBackColour(record.backColour.value_or(backColour));
    Label2->setText(record.text);
    noteFromIP = record.fromIP;
    noteFromName = record.fromName;
    // A note not shown yet lays out its label once, when it is shown: for a
    // long text that is the costliest step of loading.
    if (isVisible())
        LayOutLabel();
}

QString winNote::GetNoteContents(bool sendingNote) const
{
    modNoteText::NoteValues values;
    values.height = HeightTwips();
    values.width = WidthTwips();
    if (!sendingNote) {
        values.left = LeftTwips();
        values.top = TopTwips();
    }
    const QFont font = Label2->font();
    values.bold = font.bold();
    values.italic = font.italic();
    values.fontName = font.family();
    values.fontSize = static_cast<float>(font.pointSizeF());
    values.backColour = backColour;
    values.textColour = textColour;
    values.text = Label2->text();
    return modNoteText::FormatNoteFields(values);
}

bool winNote::ResaveNote()
{
    SaveTimer->stop();
    // While editing in place, save what leaving the mode now would save.
    if (inQuickEditMode)
        ResizeTimer_Timer();
    QString text = GetNoteContents(false);
    if (!noteFromIP.isEmpty())
        text += QStringLiteral("[FROM=") + noteFromIP + QLatin1Char('|') + noteFromName + QLatin1Char(']');
    if (noteFileName.isEmpty())
        return false;
    // Written, it would not be loaded again at the next start. UTF-8 takes at
    // most three bytes per UTF-16 unit, so only a long text is encoded twice.
    if (text.size() * 3 > modFiles::MaximumNoteFileSize &&
        text.toUtf8().size() > modFiles::MaximumNoteFileSize) {
        KeepUnsaved(QStringLiteral("A note is too long to be saved: a note holds at most 1 MB of text."));
        return false;
    }
    // A note file that is a link is replaced by a regular file: the link's
    // target may be any file of the user's.
    const QString path = modFiles::ActiveFolder() + QLatin1Char('/') + noteFileName;
    if (!modFiles::WriteTextFile(path, text, modFiles::LinkWrite::ReplaceLink)) {
        KeepUnsaved(QStringLiteral("A note could not be saved in the folder %1.")
                        .arg(QDir::toNativeSeparators(modFiles::ActiveFolder())));
        return false;
    }
    saveFailed = false;
    saveFailureShown = false;
    emit Saved();
    return true;
}

void winNote::KeepUnsaved(const QString &why)
{
    saveFailed = true;
    SaveTimer->start(retryDelay);
    qCWarning(lcNotes) << "note file not written, retried later:" << noteFileName;
    if (saveFailureShown)
        return;
    saveFailureShown = true;
    modAlerts::ShowAlert(why + QStringLiteral(" It stays on the desktop; saving is tried again every ") +
                         QString::number(DefaultRetryDelay / 1000) +
                         QStringLiteral(" seconds and when Zettlor ends."));
}

bool winNote::HasPendingSave() const
{
    return SaveTimer->isActive() || saveFailed;
}

bool winNote::SavePendingChanges()
{
    LeaveQuickEditMode();
    return !HasPendingSave() || ResaveNote();
}

void winNote::RestartSaveTimer()
{
    SaveTimer->start(saveDelay);
}

void winNote::CheckNotePosition()
{
    const float tppx = TwipsPerPixel;
    const float tppy = TwipsPerPixel;
    const int vl = modDualMonitors::GetVirtualScreenLeft();
    const float vw = static_cast<float>(modDualMonitors::GetVirtualScreenWidth());
    const float vh = static_cast<float>(modDualMonitors::GetVirtualScreenHeight());
    const qint64 leftPx = modNoteText::RoundHalfEven(LeftTwips() / tppx);
    const bool repin = noteIsPinned && vl < 0;
    if (repin)
        modPinToDesktop::UnpinNote(this);
    const bool pinned = noteIsPinned;
    const float vr = vw + static_cast<float>(vl);
    const float leftmost = pinned ? 10.0f : tppx * static_cast<float>(vl) + 10.0f;
    if (static_cast<float>(leftPx) < static_cast<float>(vl) + 10.0f) {
        SetLeftTwips(leftmost);
    } else if (static_cast<float>(leftPx) + WidthTwips() / tppx > vr) {
        SetLeftTwips(pinned ? tppx * vw - WidthTwips() : (vr - WidthTwips() / tppx) * tppx - 10.0f);
        // A note wider than the screen keeps its top-left corner reachable.
        if (LeftTwips() < leftmost)
            SetLeftTwips(leftmost);
    }
    if (TopTwips() < 10.0f)
        SetTopTwips(10.0f);
    const float limit = tppy * vh - HeightTwips() - 10.0f;
    if (TopTwips() > limit)
        SetTopTwips(qMax(limit, 10.0f));
    if (repin)
        modPinToDesktop::PinNoteToDesktop(this);
}

void winNote::BeginDrag(const QPoint &globalPosition)
{
    isDragging = true;
    dragOffset = globalPosition - pos();
    setCursor(Qt::OpenHandCursor);
}

void winNote::DragStep(const QMouseEvent *mouse)
{
    // The release may never reach the note (a popup took it, another window
    // took the focus): the drag ends as soon as the left button is not down.
    if (!mouse->buttons().testFlag(Qt::LeftButton))
        EndDrag();
    else
        move(mouse->globalPosition().toPoint() - dragOffset);
}

void winNote::EndDrag()
{
    if (!isDragging)
        return;
    isDragging = false;
    CheckNotePosition();
    RestartSaveTimer();
    unsetCursor();
}

void winNote::BeginResize()
{
    isResizing = true;
}

void winNote::EndResize()
{
    isResizing = false;
    RestartSaveTimer();
}

void winNote::ResizeStep(QPoint gripPosition)
{
    const float wanted = WidthTwips() + static_cast<float>(gripPosition.x() * TwipsPerPixel);
    SetWidthTwips(qBound(static_cast<float>(MinimumWidth), wanted, static_cast<float>(MaximumSize)));
    const float minimum = static_cast<float>((Label2->y() + Label2->height()) * TwipsPerPixel + 150);
    const float tall = HeightTwips() + static_cast<float>(gripPosition.y() * TwipsPerPixel);
    SetHeightTwips(qMin(qMax(tall, minimum), static_cast<float>(MaximumSize)));
}

void winNote::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::RightButton) {
        ShowNoteMenu(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint at = event->position().toPoint() * TwipsPerPixel;
    if (WidthTwips() - static_cast<float>(at.x()) <= 200 && HeightTwips() - static_cast<float>(at.y()) <= 200)
        BeginResize();
    if (!isResizing)
        BeginDrag(event->globalPosition().toPoint());
}

void winNote::mouseMoveEvent(QMouseEvent *event)
{
    if (isDragging)
        DragStep(event);
    CheckQuickEditPointer(event->position().toPoint());
}

void winNote::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    // A fast pointer may leave without a move over the note's margin.
    CheckQuickEditPointer(QPoint(-1, -1));
}

void winNote::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton && !isDragging && !isResizing)
        StartQuickEdit();
}

void winNote::mouseReleaseEvent(QMouseEvent *event)
{
    if (!isDragging)
        EndResize();
    else if (!event->buttons().testFlag(Qt::LeftButton))
        EndDrag();
}

void winNote::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        EndDrag();
}

bool winNote::eventFilter(QObject *watched, QEvent *event)
{
    const auto type = event->type();
    if (type == QEvent::KeyPress && watched == Text1) {
        quickEditArmed = true;
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
            LeaveQuickEditMode();
            return true;
        }
    }
    const bool isMouse = type == QEvent::MouseButtonPress || type == QEvent::MouseMove ||
                         type == QEvent::MouseButtonRelease || type == QEvent::MouseButtonDblClick;
    if (!isMouse)
        return QWidget::eventFilter(watched, event);
    const auto *mouse = static_cast<QMouseEvent *>(event);
    if (watched == CornerImage)
        return HandleGripEvent(mouse);
    if (watched == Label2)
        return HandleLabelEvent(mouse);
    if (Text1 && watched == Text1->viewport())
        return HandleEditBoxEvent(mouse);
    return QWidget::eventFilter(watched, event);
}

bool winNote::HandleGripEvent(const QMouseEvent *mouse)
{
    const auto type = mouse->type();
    if (type == QEvent::MouseButtonPress) {
        LeaveQuickEditMode();
        UnpinForEdit();
        BeginResize();
    } else if (type == QEvent::MouseMove && isResizing) {
        ResizeStep(mouse->position().toPoint());
    } else if (type == QEvent::MouseButtonRelease) {
        EndResize();
        RepinAfterEdit();
    }
    return true;
}

bool winNote::HandleLabelEvent(const QMouseEvent *mouse)
{
    const auto type = mouse->type();
    const QPoint global = mouse->globalPosition().toPoint();
    if (type == QEvent::MouseButtonPress && mouse->button() == Qt::RightButton)
        ShowNoteMenu(global);
    else if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton)
        BeginDrag(global);
    else if (type == QEvent::MouseButtonDblClick && mouse->button() == Qt::LeftButton)
        StartQuickEdit();
    else if (type == QEvent::MouseMove && isDragging)
        DragStep(mouse);
    else if (type == QEvent::MouseMove)
        CheckQuickEditPointer(Label2->pos() + mouse->position().toPoint());
    else if (type == QEvent::MouseButtonRelease && !mouse->buttons().testFlag(Qt::LeftButton))
        EndDrag();
    return true;
}

bool winNote::HandleEditBoxEvent(const QMouseEvent *mouse)
{
    const auto type = mouse->type();
    if (type == QEvent::MouseMove && quickEditArmed)
        CheckQuickEditPointer(Text1->pos() + Text1->viewport()->pos() + mouse->position().toPoint());
    else
        quickEditArmed = true;
    // The edit box still places the caret and selects text itself.
    return false;
}

void winNote::UnpinForEdit()
{
    if (!noteIsPinned || modDualMonitors::GetVirtualScreenLeft() >= 0)
        return;
    modPinToDesktop::UnpinNote(this);
    repinAfterEdit = true;
}

void winNote::RepinAfterEdit()
{
    if (!repinAfterEdit)
        return;
    modPinToDesktop::PinNoteToDesktop(this);
    repinAfterEdit = false;
}

void winNote::EnterQuickEditMode()
{
    // Filling the box again could drop what was typed since the last tick.
    if (inQuickEditMode)
        return;
    UnpinForEdit();
    if (!Text1)
        BuildEditBox();
    QPalette boxPalette = Text1->palette();
    boxPalette.setColor(QPalette::Base, Label2->palette().color(QPalette::Window));
    boxPalette.setColor(QPalette::Text, Label2->palette().color(QPalette::WindowText));
    Text1->setPalette(boxPalette);
    Text1->setFont(Label2->font());
    Text1->setGeometry(Label2->geometry());
    Text1->setPlainText(ToEditText(Label2->text()));
    Label2->hide();
    Text1->show();
    Text1->moveCursor(QTextCursor::End);
    // Typing should go into the box without another click.
    activateWindow();
    Text1->setFocus();
    inQuickEditMode = true;
    ResizeTimer->start();
}

void winNote::StartQuickEdit()
{
    EnterQuickEditMode();
    quickEditArmed = true;
}

void winNote::LeaveQuickEditMode()
{
    if (!inQuickEditMode)
        return;
    // The foreground check stops too, so the mode is left only once.
    QuickEditTimer->stop();
    quickEditLeaving = false;
    inQuickEditMode = false;
    quickEditArmed = false;
    ResizeTimer->stop();
    Label2->setText(ToLabelText(Text1->toPlainText()));
    LayOutLabel();
    Text1->hide();
    Label2->show();
    RestartSaveTimer();
    RepinAfterEdit();
}

void winNote::CheckQuickEditPointer(QPoint position)
{
    if (!inQuickEditMode || !quickEditArmed || quickEditLeaving)
        return;
    const QRect box = Text1->geometry();
    const bool outside = position.x() < box.left() || position.x() > box.left() + box.width() ||
                         position.y() < box.top() || position.y() > box.top() + box.height();
    if (!outside)
        return;
    quickEditLeaving = true;
    QuickEditTimer->start();
}

void winNote::QuickEditTimer_Timer()
{
    if (!ApplicationIsActive())
        LeaveQuickEditMode();
}

void winNote::ResizeTimer_Timer()
{
    // The hidden label re-wraps the text at its width and the window follows
    // the box's height. The width keeps the label's margin, so the note never
    // narrows.
    Label2->setText(ToLabelText(Text1->toPlainText()));
    FitLabelHeight();
    Text1->resize(Label2->width(), Text1->height());
    // The box spaces lines a little wider than the label; it must show them all.
    const int boxHeight = static_cast<int>(std::ceil(Text1->document()->size().height()));
    Text1->resize(Label2->width(), qMax(Label2->height(), boxHeight));
    const float width = qMax(static_cast<float>(Label2->width() * TwipsPerPixel + LabelMarginTwips),
                             static_cast<float>(MinimumWidth));
    if (width != WidthTwips())
        SetWidthTwips(width);
    const float height = qMin(static_cast<float>((Text1->height() + Text1->y()) * TwipsPerPixel + 140),
                              static_cast<float>(MaximumSize));
    if (height != HeightTwips())
        SetHeightTwips(height);
}

void winNote::ShowNoteMenu(const QPoint &globalPosition)
{
    // The menu takes the pointer, and with it the left button's release.
    EndDrag();
    winMenu *menu = winMenu::Instance();
    if (!menu || !menu->NoteMenu)
        return;
    menu->ReplyToSender->setVisible(!noteFromIP.isEmpty());
    menu->SetNoteToTop->setText(noteIsPinned ? QStringLiteral("Set to On Top")
                                             : QStringLiteral("Stick to Desktop"));
    menu->tag = QString::number(modMisc::NoteHandle(this));
    menu->NoteMenu->setDefaultAction(menu->EditNote);
    menu->NoteMenu->popup(globalPosition);
}

void winNote::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // After the window is mapped; pinning re-creates it, so every show asks.
    // A note belongs to the desktop, not to one workspace.
    QTimer::singleShot(0, this, [this] {
        platform::KeepOffTaskbar(this);
        platform::ShowOnEveryWorkspace(this);
    });
}
