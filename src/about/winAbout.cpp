#include "about/winAbout.h"

#include "core/Globals.h"
#include "core/SettingKeys.h"
#include "core/modFiles.h"
#include "core/modINI.h"
#include "core/modText.h"
#include "tray/winMenu.h"
#include "web/modWebLinks.h"

#include <QBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>

#include <functional>

namespace {

// Pixels at 96 dpi. The branding block keeps the form's proportions in twips
// (15 per pixel): 120 around the block's content, 100 under the picture, 50
// between lines, 150 added to the content's height, 130 above the button.
constexpr int kMargin = 12;
constexpr int kNarrowestSection = 336;
constexpr int kBandHeight = 3;
constexpr int kBlockPadding = 8;
constexpr int kUnderPicture = 7;
constexpr int kBetweenLines = 3;
constexpr int kBlockExtraHeight = 10;
constexpr int kAboveButton = 9;
constexpr int kCaptionIndent = 8;
constexpr int kBlockTop = 20; // under the band, room for the caption

// A label that acts when the left button is released over it.
class ClickableLabel final : public QLabel
{
public:
    using QLabel::QLabel;
    std::function<void()> onClick;

protected:
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && onClick)
            onClick();
        QLabel::mouseReleaseEvent(event);
    }
};

// Texts from the branding file are shown as they are, never as markup.
template <typename Label = QLabel>
Label *NewLabel(QWidget *parent, const char *name, const QString &text = {})
{
    auto *label = new Label(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    return label;
}

// A label showing an address that opens prefix + its text when clicked.
QLabel *NewLinkLabel(QWidget *parent, const char *name, const QString &prefix, const QString &text = {})
{
    auto *label = NewLabel<ClickableLabel>(parent, name, text);
    label->onClick = [label, prefix] { modWebLinks::OpenURL(prefix + label->text()); };
    QFont font = label->font();
    font.setUnderline(true);
    label->setFont(font);
    label->setForegroundRole(QPalette::Link);
    label->setCursor(Qt::PointingHandCursor);
    return label;
}

QString ReadBranding(const SettingKeys::Key &key)
{
    return modText::DecodeText(modINI::ReadIni(QLatin1String(key.section), QLatin1String(key.key),
                                               modFiles::ProgramDataFile(QStringLiteral("About.ini"))));
}

int Bottom(const QWidget *widget)
{
    return widget->y() + widget->height();
}

} // namespace

winAbout::winAbout(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("winAbout"));
    setWindowTitle(QStringLiteral("About Zettlor"));
    // OK, Escape and the close box all end here; the next opening builds afresh.
    connect(this, &QDialog::finished, this, &QObject::deleteLater);
    BuildProgramSection();
    BuildBrandingBlock();
    Command1 = new QPushButton(QStringLiteral("OK"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setDefault(true);
    connect(Command1, &QPushButton::clicked, this, &QDialog::accept);
    PlaceDesignTimeLayout();
    ShowBranding();
}

void winAbout::BuildProgramSection()
{
    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::StyledPanel);
    Image1 = NewLabel(Frame1, "Image1");
    Image1->setPixmap(winMenu::ProgramIcon().pixmap(48, 48));
    Image1->setAlignment(Qt::AlignTop);
    Label1 = NewLabel(Frame1, "Label1", QStringLiteral("Zettlor ") + ProgramVersion);
    QFont title = Label1->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.4);
    Label1->setFont(title);
    Label2 =
        NewLabel(Frame1, "Label2", QStringLiteral("Copyright \u00a9 2008 Vantrel. All rights reserved."));
    Label3 = NewLinkLabel(Frame1, "Label3", {}, modWebLinks::WebAddress(QStringLiteral("/")));
    Label4 = NewLinkLabel(Frame1, "Label4", QStringLiteral("mailto:"), modWebLinks::MakerEmail());

    auto *texts = new QVBoxLayout;
    texts->setSpacing(kMargin / 2);
    for (QLabel *label : {Label1, Label2, Label3, Label4})
        texts->addWidget(label, 0, Qt::AlignLeft);
    auto *section = new QHBoxLayout(Frame1);
    section->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    section->setSpacing(kMargin);
    section->addWidget(Image1);
    section->addLayout(texts, 1);
    // As wide as its texts need in the desktop's font.
    Frame1->setFixedWidth(std::max(kNarrowestSection, Frame1->sizeHint().width()));
    Frame1->adjustSize();

    Label5 = NewLabel(this, "Label5");
    Label5->setAutoFillBackground(true);
    Label5->setBackgroundRole(QPalette::Highlight);
}

void winAbout::BuildBrandingBlock()
{
    Shape2 = new QFrame(this);
    Shape2->setObjectName(QStringLiteral("Shape2"));
    Shape2->setFrameStyle(QFrame::Box | QFrame::Plain);
    // Opaque, so the frame's line does not run through the caption.
    Label6 = NewLabel(this, "Label6", QStringLiteral(" Brought to you by: "));
    Label6->setAutoFillBackground(true);
    Label6->adjustSize();
    auto *picture = NewLabel<ClickableLabel>(this, "Picture2");
    // Label8 is empty unless the distributor gave a web address.
    picture->onClick = [this] { modWebLinks::OpenURL(Label8->text()); };
    Picture2 = picture;
    Label7 = NewLinkLabel(this, "Label7", QStringLiteral("mailto:"));
    Label8 = NewLinkLabel(this, "Label8", {});
    Label9 = NewLabel(this, "Label9");
    for (QWidget *part : std::initializer_list<QWidget *>{Shape2, Label6, Picture2, Label7, Label8, Label9})
        part->hide();
}

void winAbout::PlaceDesignTimeLayout()
{
    const int boxWidth = Frame1->width() + 2 * kMargin;
    Frame1->move(kMargin, kMargin);
    Label5->setGeometry(kMargin, Bottom(Frame1) + kMargin, Frame1->width(), kBandHeight);
    Shape2->move(kMargin, Bottom(Label5) + kBlockTop);
    Picture2->move(Shape2->x() + kBlockPadding, Shape2->y() + kBlockPadding);
    Command1->resize(std::max(Command1->sizeHint().width(), 88), Command1->sizeHint().height());
    Command1->move(boxWidth - Command1->width() - kMargin, Bottom(Label5) + kMargin);
    setFixedSize(boxWidth, Bottom(Command1) + kMargin);
}

// The block is shown only with a picture; the lines of "About.ini" stack
// under it in the order e-mail, web address, phone.
void winAbout::ShowBranding()
{
    const QPixmap picture(modFiles::ProgramDataFile(QStringLiteral("About.gif")));
    if (picture.isNull())
        return;
    Picture2->setPixmap(picture);
    Picture2->resize(picture.size());
    int contentWidth = picture.width(), contentHeight = picture.height(), widestLine = 0;
    int top = Bottom(Picture2) + kUnderPicture;
    const std::pair<QLabel *, SettingKeys::Key> lines[] = {{Label7, SettingKeys::AboutEmail},
                                                           {Label8, SettingKeys::AboutUrl},
                                                           {Label9, SettingKeys::AboutPhone}};
    for (const auto &[line, key] : lines) {
        line->setText(ReadBranding(key));
        if (line->text().isEmpty())
            continue;
        line->adjustSize();
        line->move(line->x(), top);
        line->show();
        top += line->height() + kBetweenLines;
        contentWidth = std::max(contentWidth, line->width());
        contentHeight += line->height();
        widestLine = std::max(widestLine, line->width());
    }
    if (!Label8->isHidden())
        Picture2->setCursor(Qt::PointingHandCursor);
    Picture2->show();
    Shape2->resize(std::max(contentWidth + 2 * kBlockPadding, Label5->width()),
                   contentHeight + kBlockExtraHeight + 2 * kBlockPadding);
    Shape2->show();
    ArrangeAroundBranding(widestLine);
}

// A block wider than the band widens the box and the band; a narrower one
// takes the band's width and is centred like it. Either way the picture is
// centred in the block, the caption sits at the block's left edge and the
// lines form one column centred in the box.
void winAbout::ArrangeAroundBranding(int widestLine)
{
    int boxWidth = width();
    if (Shape2->width() > Label5->width()) {
        boxWidth = 2 * Shape2->x() + Shape2->width();
        Label5->resize(Shape2->width(), Label5->height());
    } else {
        Shape2->move((boxWidth - Shape2->width()) / 2, Shape2->y());
    }
    Picture2->move(Shape2->x() + (Shape2->width() - Picture2->width()) / 2, Picture2->y());
    Label6->move(Shape2->x() + kCaptionIndent, Shape2->y() - Label6->height() / 2);
    Label6->show();
    Frame1->move((boxWidth - Frame1->width()) / 2, Frame1->y());
    for (QLabel *line : {Label7, Label8, Label9})
        line->move((boxWidth - widestLine) / 2, line->y());
    Command1->move(boxWidth - Command1->width() - kMargin, Bottom(Shape2) + kAboveButton);
    setFixedSize(boxWidth, Bottom(Command1) + kMargin);
}
