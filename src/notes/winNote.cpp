#include "notes/winNote.h"

#include "core/Globals.h"
#include "core/Logging.h"
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
#include <QGuiApplication>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRegion>
#include <QScreen>
#include <QTimer>
#include <cmath>

namespace {

constexpr int DefaultSaveDelay = 2000;
int saveDelay = DefaultSaveDelay;

constexpr int LabelLeftTwips = 120;
constexpr int LabelTopTwips = 240;
constexpr int GripSizeTwips = 135;
constexpr int GripMarginTwips = 20;
// The cut-away corner: pixels with x + y at or below this, whatever the size.
constexpr int CutCornerSum = 8;
const QColor PartColour(0x40, 0x40, 0x40);

int ToPixels(float twips) { return static_cast<int>(std::lround(twips / winNote::TwipsPerPixel)); }

QColor FromColourValue(qint32 value)
{
    return QColor(value & 0xff, (value >> 8) & 0xff, (value >> 16) & 0xff);
}

// One stroke of the dog-eared corner, in twips inside the window.
class FoldLine final : public QWidget
{
public:
    FoldLine(QWidget *parent, QLineF twips)
        : QWidget(parent), line(twips.p1() / winNote::TwipsPerPixel, twips.p2() / winNote::TwipsPerPixel)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setGeometry(0, 0, 12, 12);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setPen(PartColour);
        painter.drawLine(line);
    }

private:
    QLineF line;
};

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

winNote::winNote()
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint)
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
    ApplyCutCorner();
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
}

void winNote::BuildParts()
{
    SaveTimer = new QTimer(this);
    SaveTimer->setObjectName(QStringLiteral("SaveTimer"));
    SaveTimer->setSingleShot(true);
    SaveTimer->setInterval(DefaultSaveDelay);
    connect(SaveTimer, &QTimer::timeout, this, &winNote::ResaveNote);
    QuickEditTimer = new QTimer(this);
    QuickEditTimer->setObjectName(QStringLiteral("QuickEditTimer"));
    QuickEditTimer->setInterval(100);
    ResizeTimer = new QTimer(this);
    ResizeTimer->setObjectName(QStringLiteral("ResizeTimer"));
    ResizeTimer->setInterval(100);

    Text1 = new QPlainTextEdit(this);
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setFrameShape(QFrame::NoFrame);
    Text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    Text1->hide();

    Shape1 = new BorderRectangle(this);
    Shape1->setObjectName(QStringLiteral("Shape1"));

    Label2 = new QLabel(this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setTextFormat(Qt::PlainText);
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Label2->setAutoFillBackground(true);
    Label2->move(ToPixels(LabelLeftTwips), ToPixels(LabelTopTwips));

    Line7 = new FoldLine(this, QLineF(150, 0, 150, 160));
    Line7->setObjectName(QStringLiteral("Line7"));
    Line6 = new FoldLine(this, QLineF(0, 150, 150, 150));
    Line6->setObjectName(QStringLiteral("Line6"));
    Line5 = new FoldLine(this, QLineF(0, 140, 140, 0));
    Line5->setObjectName(QStringLiteral("Line5"));

    CornerImage = new QLabel(this);
    CornerImage->setObjectName(QStringLiteral("CornerImage"));
    CornerImage->setPixmap(GripPicture());
    CornerImage->resize(ToPixels(GripSizeTwips), ToPixels(GripSizeTwips));
    CornerImage->setCursor(Qt::SizeFDiagCursor);
    Label2->installEventFilter(this);
    CornerImage->installEventFilter(this);
}

void winNote::ApplyCutCorner()
{
    // Built once, large enough for the biggest note; the window clips it.
    const int limit = ToPixels(MaximumSize) + 20;
    QRegion shape(0, 0, limit, limit);
    for (int y = 0; y <= CutCornerSum; ++y)
        shape -= QRegion(0, y, CutCornerSum - y + 1, 1);
    setMask(shape);
}

float winNote::LeftTwips() const { return static_cast<float>(x() * TwipsPerPixel); }
float winNote::TopTwips() const { return static_cast<float>(y() * TwipsPerPixel); }
float winNote::WidthTwips() const { return static_cast<float>(width() * TwipsPerPixel); }
float winNote::HeightTwips() const { return static_cast<float>(height() * TwipsPerPixel); }
void winNote::SetLeftTwips(float left) { move(ToPixels(left), y()); }
void winNote::SetTopTwips(float top) { move(x(), ToPixels(top)); }
void winNote::SetWidthTwips(float width) { resize(qMax(1, ToPixels(width)), height()); }
void winNote::SetHeightTwips(float height) { resize(width(), qMax(1, ToPixels(height))); }

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
    Label2->resize(qMax(1, width() - 2 * ToPixels(LabelLeftTwips)), Label2->height());
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
    Line5->raise();
    Line6->raise();
    Line7->raise();
    CornerImage->raise();
}

void winNote::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    LayOutLabel();
    RepositionNoteParts();
}

void winNote::closeEvent(QCloseEvent *event)
{
    // Unloading never writes: the last autosave is the stored state.
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
    if (record.height)
        SetHeightTwips(*record.height);
    if (record.width)
        SetWidthTwips(*record.width);
    LayOutLabel();
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
    SetBackColour(record.backColour.value_or(backColour));
    if (record.textColour)
        SetTextColour(*record.textColour);
    Label2->setText(record.text);
    noteFromIP = record.fromIP;
    noteFromName = record.fromName;
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
    QString text = GetNoteContents(false);
    if (!noteFromIP.isEmpty())
        text += QStringLiteral("[FROM=") + noteFromIP + QLatin1Char('|') + noteFromName + QLatin1Char(']');
    if (noteFileName.isEmpty())
        return false;
    if (modFiles::WriteTextFile(modFiles::ActiveFolder() + QLatin1Char('/') + noteFileName, text))
        return true;
    qCWarning(lcNotes) << "note file not written, kept for the next save:" << noteFileName;
    return false;
}

bool winNote::HasPendingSave() const { return SaveTimer->isActive(); }

bool winNote::SavePendingChanges()
{
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

void winNote::EndDrag()
{
    isDragging = false;
    CheckNotePosition();
    RestartSaveTimer();
    unsetCursor();
}

void winNote::BeginResize() { isResizing = true; }

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
        move(event->globalPosition().toPoint() - dragOffset);
}

void winNote::mouseReleaseEvent(QMouseEvent *)
{
    if (isDragging)
        EndDrag();
    else
        EndResize();
}

bool winNote::eventFilter(QObject *watched, QEvent *event)
{
    const auto type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return QWidget::eventFilter(watched, event);
    auto *mouse = static_cast<QMouseEvent *>(event);
    const QPoint global = mouse->globalPosition().toPoint();
    if (watched == CornerImage) {
        if (type == QEvent::MouseButtonPress)
            BeginResize();
        else if (type == QEvent::MouseMove && isResizing)
            ResizeStep(mouse->position().toPoint());
        else if (type == QEvent::MouseButtonRelease)
            EndResize();
        return true;
    }
    if (watched == Label2) {
        if (type == QEvent::MouseButtonPress && mouse->button() == Qt::RightButton)
            ShowNoteMenu(global);
        else if (type == QEvent::MouseButtonPress && mouse->button() == Qt::LeftButton)
            BeginDrag(global);
        else if (type == QEvent::MouseMove && isDragging)
            move(global - dragOffset);
        else if (type == QEvent::MouseButtonRelease && isDragging)
            EndDrag();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void winNote::ShowNoteMenu(const QPoint &globalPosition)
{
    winMenu *menu = winMenu::Instance();
    if (!menu || !menu->NoteMenu)
        return;
    menu->ReplyToSender->setVisible(!noteFromIP.isEmpty());
    menu->SetNoteToTop->setText(noteIsPinned ? QStringLiteral("Set to On Top") : QStringLiteral("Stick to Desktop"));
    menu->tag = QString::number(modMisc::NoteHandle(this));
    menu->NoteMenu->setDefaultAction(menu->EditNote);
    menu->NoteMenu->popup(globalPosition);
}

void winNote::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // After the window is mapped; pinning re-creates it, so every show asks.
    QTimer::singleShot(0, this, [this] { platform::KeepOffTaskbar(this); });
}
