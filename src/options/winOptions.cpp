#include "options/winOptions.h"

#include "core/Globals.h"
#include "core/SettingKeys.h"
#include "core/modDialogs.h"
#include "core/modFiles.h"
#include "core/modRegReadWrite.h"
#include "core/modSettings.h"
#include "core/modStartWithWindows.h"
#include "messaging/modPlaySound.h"
#include "notes/modPinToDesktop.h"
#include "options/modOpenDialog.h"
#include "tray/modTrayCommands.h"
#include "tray/modTrayIcon.h"
#include "tray/winMenu.h"
#include "web/modWebLinks.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

using modSettings::ReadSetting;
using modSettings::WriteSetting;

namespace {

// Tab captions in order; without blanks they name the frame and are what
// "LastOption" holds.
const std::array<QString, 5> kTabCaptions{QStringLiteral("General"), QStringLiteral("Tray Icon"),
                                          QStringLiteral("Tray Alerts"), QStringLiteral("Sounds"),
                                          QStringLiteral("Internet")};
enum FrameIndex { General, TrayIcon, TrayAlerts, Sounds, Internet };

const QStringList kDeletingChoices{QStringLiteral("Prompt to archive or delete note"),
                                   QStringLiteral("Archive note"), QStringLiteral("Permanently delete note")};
const QStringList kClickActions{QStringLiteral("No Action"),
                                QStringLiteral("Create Note"),
                                QStringLiteral("Open Zettlor Contacts"),
                                QStringLiteral("Open Zettlor Note Archive"),
                                QStringLiteral("Hide/Show Notes"),
                                QStringLiteral("Open Zettlor Options"),
                                QStringLiteral("Visit Vantrel")};
const QStringList kSoundEvents{QStringLiteral("Note sent"), QStringLiteral("Note received"),
                               QStringLiteral("Note copied to Windows Clipboard")};
const std::array<const SettingKeys::Key *, 3> kSoundKeys{
    &SettingKeys::SoundNoteSent, &SettingKeys::SoundNoteReceived, &SettingKeys::SoundNoteCopiedToClipboard};

const QString kNoSound = QStringLiteral("(None)");
const QString kDefaultIcon = QStringLiteral("default");
const QString kLogonEntryName = QStringLiteral("Zettlor");
constexpr int kIconSide = 32;
constexpr int kSoundNameLength = 16;

QString WithoutBlanks(QString text)
{
    return text.remove(QLatin1Char(' '));
}

QString FlagText(const QCheckBox *box)
{
    return box->isChecked() ? QStringLiteral("True") : QStringLiteral("False");
}

template <typename Control> Control *Named(Control *control, const char *name)
{
    control->setObjectName(QLatin1String(name));
    return control;
}

QComboBox *NewList(const char *name, const QStringList &items)
{
    auto *combo = Named(new QComboBox, name);
    combo->addItems(items);
    return combo;
}

// A frame: its headed groups one below the other, the rest left empty.
QWidget *NewFrame(const char *name, const QList<QGroupBox *> &groups)
{
    auto *frame = Named(new QWidget, name);
    auto *column = new QVBoxLayout(frame);
    for (QGroupBox *group : groups)
        column->addWidget(group);
    column->addStretch();
    return frame;
}

QGroupBox *NewGroup(const QString &heading, QLayout *content)
{
    auto *group = new QGroupBox(heading);
    group->setLayout(content);
    return group;
}

QVBoxLayout *Column(const QList<QWidget *> &widgets)
{
    auto *column = new QVBoxLayout;
    for (QWidget *widget : widgets)
        column->addWidget(widget);
    return column;
}

void AddLabelledRow(QGridLayout *grid, const QString &caption, QWidget *control)
{
    // An empty grid still counts one row.
    const int row = grid->count() == 0 ? 0 : grid->rowCount();
    grid->addWidget(new QLabel(caption), row, 0);
    grid->addWidget(control, row, 1);
}

// The stored click action as the list shows it; a text the tray does not
// know does nothing there, which the list calls "No Action".
QString ShownClickAction(const SettingKeys::Key &key)
{
    QString action = ReadSetting(key);
    if (action.isEmpty()) {
        action = QLatin1String(key.defaultText);
        WriteSetting(key, action);
    }
    return kClickActions.contains(action) ? action : kClickActions.first();
}

} // namespace

winOptions::winOptions()
{
    setObjectName(QStringLiteral("winOptions"));
    setWindowTitle(QStringLiteral("Zettlor Options"));
    setWindowIcon(winMenu::ProgramIcon());

    Tabs = Named(new QTabWidget, "Tabs");
    GeneralFrame = CreateGeneralFrame();
    TrayIconFrame = CreateTrayIconFrame();
    TrayAlertsFrame = CreateTrayAlertsFrame();
    SoundsFrame = CreateSoundsFrame();
    InternetFrame = CreateInternetFrame();
    const std::array<QWidget *, 5> frames{GeneralFrame, TrayIconFrame, TrayAlertsFrame, SoundsFrame,
                                          InternetFrame};
    for (std::size_t i = 0; i < frames.size(); ++i)
        Tabs->addTab(frames[i], kTabCaptions[i]);

    auto *window = new QVBoxLayout(this);
    // As large as the largest tab needs, and no larger.
    window->setSizeConstraint(QLayout::SetFixedSize);
    window->addWidget(Tabs);
    window->addLayout(CreateButtonRow());

    ConnectChangeTracking();
}

QWidget *winOptions::CreateGeneralFrame()
{
    Check3 = Named(new QCheckBox(QStringLiteral("&Start Zettlor when Windows starts")), "Check3");
    Check8 = Named(new QCheckBox(QStringLiteral("&Check for new Zettlor updates")), "Check8");
    Check4 = Named(new QCheckBox(QStringLiteral("&Add sender to Contacts when receiving notes")), "Check4");
    Check5 =
        Named(new QCheckBox(QStringLiteral("&Delete note from desktop after replying to a note")), "Check5");
    Check6 =
        Named(new QCheckBox(QStringLiteral("Always display &notes on top of all other windows")), "Check6");
    Combo1 = NewList("Combo1", kDeletingChoices);

    auto *deleting = new QHBoxLayout;
    deleting->addWidget(new QLabel(QStringLiteral("When deleting notes:")));
    deleting->addWidget(Combo1, 1);
    QVBoxLayout *miscellaneous = Column({Check4, Check5, Check6});
    miscellaneous->addLayout(deleting);
    return NewFrame("GeneralFrame", {NewGroup(QStringLiteral("Startup"), Column({Check3, Check8})),
                                     NewGroup(QStringLiteral("Miscellaneous"), miscellaneous)});
}

QWidget *winOptions::CreateTrayIconFrame()
{
    Image4 = Named(new QLabel, "Image4");
    Image4->setFixedSize(kIconSide, kIconSide);
    Command3 = Named(new QPushButton(QStringLiteral("&Select Icon...")), "Command3");
    Command4 = Named(new QPushButton(QStringLiteral("&Reset Icon")), "Command4");
    auto *picture = new QHBoxLayout;
    picture->addWidget(Image4);
    picture->addSpacing(kIconSide / 2);
    picture->addWidget(Command3);
    picture->addWidget(Command4);
    picture->addStretch();

    SingleClickCombo = NewList("SingleClickCombo", kClickActions);
    DoubleClickCombo = NewList("DoubleClickCombo", kClickActions);
    auto *clicks = new QGridLayout;
    AddLabelledRow(clicks, QStringLiteral("Left-Single-Click Action:"), SingleClickCombo);
    AddLabelledRow(clicks, QStringLiteral("Left-Double-Click Action:"), DoubleClickCombo);
    return NewFrame("TrayIconFrame", {NewGroup(QStringLiteral("Tray Icon"), picture),
                                      NewGroup(QStringLiteral("Click Action"), clicks)});
}

QWidget *winOptions::CreateTrayAlertsFrame()
{
    Check1 =
        Named(new QCheckBox(QStringLiteral("Display alert when incoming note has been received")), "Check1");
    Check2 = Named(new QCheckBox(QStringLiteral("Display alert when sent note has been received")), "Check2");
    return NewFrame("TrayAlertsFrame", {NewGroup(QStringLiteral("Tray Alerts"), Column({Check1, Check2}))});
}

QWidget *winOptions::CreateSoundsFrame()
{
    Combo10 = NewList("Combo10", kSoundEvents);
    Combo11 = Named(new QComboBox, "Combo11");
    // A long file name must not widen the window; the open list shows it whole.
    Combo11->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    Combo11->setMinimumContentsLength(kSoundNameLength);
    Command10 = Named(new QPushButton(QStringLiteral("&Browse...")), "Command10");
    Command9 = Named(new QPushButton, "Command9");
    Command9->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    Command9->setToolTip(QStringLiteral("Play"));
    Command9->setAccessibleName(QStringLiteral("Play"));

    auto *sounds = new QGridLayout;
    AddLabelledRow(sounds, QStringLiteral("Events:"), Combo10);
    AddLabelledRow(sounds, QStringLiteral("Sounds:"), Combo11);
    sounds->addWidget(Command10, 1, 2);
    sounds->addWidget(Command9, 1, 3);
    sounds->setColumnStretch(1, 1);
    return NewFrame("SoundsFrame", {NewGroup(QStringLiteral("Sounds"), sounds)});
}

QWidget *winOptions::CreateInternetFrame()
{
    Check17 = Named(new QCheckBox(QStringLiteral("Only attempt to &download data when an Internet\n"
                                                 "connection is found.")),
                    "Check17");
    auto *note = new QLabel(QStringLiteral("This option should only be enabled if you are not using an\n"
                                           "\"always-on\" Internet connection (e.g. dial-up)."));
    Text1 = Named(new QLineEdit, "Text1");
    Text2 = Named(new QLineEdit, "Text2");
    Text2->setEchoMode(QLineEdit::Password);

    auto *proxy = new QGridLayout;
    proxy->addWidget(new QLabel(QStringLiteral("Enter your proxy server settings below if you connect to\n"
                                               "the Internet via a proxy server.")),
                     0, 0, 1, 2);
    AddLabelledRow(proxy, QStringLiteral("Username:"), Text1);
    AddLabelledRow(proxy, QStringLiteral("Password:"), Text2);
    return NewFrame("InternetFrame", {NewGroup(QStringLiteral("Connection"), Column({Check17, note})),
                                      NewGroup(QStringLiteral("Proxy Server"), proxy)});
}

QLayout *winOptions::CreateButtonRow()
{
    Command1 = Named(new QPushButton(QStringLiteral("OK")), "Command1");
    Command2 = Named(new QPushButton(QStringLiteral("Cancel")), "Command2");
    ApplyButton = Named(new QPushButton(QStringLiteral("Apply")), "ApplyButton");
    Command8 = Named(new QPushButton(QStringLiteral("Help")), "Command8");
    Command1->setDefault(true);
    ApplyButton->setEnabled(false);
    connect(Command1, &QPushButton::clicked, this, &winOptions::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &winOptions::reject);
    connect(ApplyButton, &QPushButton::clicked, this, &winOptions::ApplyOptions);
    connect(Command8, &QPushButton::clicked, this, &modWebLinks::OpenSupportForums);

    auto *row = new QHBoxLayout;
    row->addStretch();
    for (QPushButton *button : {Command1, Command2, ApplyButton, Command8})
        row->addWidget(button);
    return row;
}

void winOptions::ConnectChangeTracking()
{
    const auto marks = [this](bool winOptions::*tabChanged) {
        return [this, tabChanged] { MarkChanged(this->*tabChanged); };
    };
    for (QCheckBox *box : {Check3, Check4, Check5, Check8})
        connect(box, &QCheckBox::toggled, this, marks(&winOptions::GeneralChanged));
    connect(Check6, &QCheckBox::toggled, this, [this] {
        if (LoadingDone)
            OnTopChanged = true;
        MarkChanged(GeneralChanged);
    });
    connect(Combo1, &QComboBox::currentIndexChanged, this, marks(&winOptions::GeneralChanged));
    for (QComboBox *combo : {SingleClickCombo, DoubleClickCombo})
        connect(combo, &QComboBox::currentIndexChanged, this, marks(&winOptions::TrayIconChanged));
    connect(Command3, &QPushButton::clicked, this, &winOptions::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &winOptions::Command4_Click);
    for (QCheckBox *box : {Check1, Check2})
        connect(box, &QCheckBox::toggled, this, marks(&winOptions::TrayAlertsChanged));
    connect(Combo10, &QComboBox::currentIndexChanged, this, &winOptions::Combo10_Click);
    connect(Combo11, &QComboBox::currentIndexChanged, this, &winOptions::Combo11_Click);
    connect(Command10, &QPushButton::clicked, this, &winOptions::Command10_Click);
    connect(Command9, &QPushButton::clicked, this,
            [this] { modPlaySound::PlaySoundFile(SoundFiles[Combo10->currentIndex()]); });
    connect(Check17, &QCheckBox::toggled, this, marks(&winOptions::InternetChanged));
    for (QLineEdit *text : {Text1, Text2})
        connect(text, &QLineEdit::textChanged, this, marks(&winOptions::InternetChanged));
    connect(Tabs, &QTabWidget::currentChanged, this, [this](int index) { ShowFrame(Tabs->tabText(index)); });
}

void winOptions::Form_Load()
{
    ShowFrame(modSettings::ReadSettingOrDefault(SettingKeys::LastOption));
    const int activeIndex = Tabs->currentIndex();
    LoadFrame(activeIndex);
    adjustSize();
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    move(screen.center() - rect().center());
    show();
    QCoreApplication::processEvents();
    LoadRemainingFrames(activeIndex);
    LoadingDone = true;
}

void winOptions::ShowFrame(const QString &name)
{
    int index = General;
    for (std::size_t i = 0; i < kTabCaptions.size(); ++i) {
        if (WithoutBlanks(kTabCaptions[i]) == WithoutBlanks(name))
            index = int(i);
    }
    {
        const QSignalBlocker quiet(Tabs);
        Tabs->setCurrentIndex(index);
    }
    WriteSetting(SettingKeys::LastOption, WithoutBlanks(kTabCaptions[index]));
}

void winOptions::LoadFrame(int index)
{
    switch (index) {
    case General:
        LoadGeneralFrame();
        break;
    case TrayIcon:
        LoadTrayIconFrame();
        break;
    case TrayAlerts:
        LoadTrayAlertsFrame();
        break;
    case Sounds:
        LoadSoundsFrame();
        break;
    case Internet:
        LoadInternetFrame();
        break;
    }
}

void winOptions::LoadRemainingFrames(int activeIndex)
{
    for (int index = General; index <= Internet; ++index) {
        if (index != activeIndex)
            LoadFrame(index);
    }
    ApplyButton->setEnabled(false);
}

void winOptions::LoadGeneralFrame()
{
    // A portable copy never starts at logon; an entry there is an installed copy's.
    Check3->setEnabled(!PortableMode);
    Check3->setChecked(!PortableMode && IsExactlyTrue(ReadSetting(SettingKeys::StartWithWindows)) &&
                       !modRegReadWrite::ReadRegistryValue(kLogonEntryName).isEmpty());
    Check8->setChecked(IsOn(ReadSetting(SettingKeys::CheckForNewUpdates)));
    Check4->setChecked(IsOn(ReadSetting(SettingKeys::AddSenderToContacts)));
    Check5->setChecked(IsExactlyTrue(ReadSetting(SettingKeys::DeleteNoteAfterReplying)));
    Check6->setChecked(IsExactlyTrue(ReadSetting(SettingKeys::AlwaysDisplayNotesOnTop)));
    // Any other text deletes for good, the last choice.
    const qsizetype deleting = kDeletingChoices.indexOf(ReadSetting(SettingKeys::WhenDeletingNotes));
    Combo1->setCurrentIndex(deleting < 0 ? int(kDeletingChoices.size()) - 1 : int(deleting));
}

void winOptions::LoadTrayIconFrame()
{
    const winMenu *menu = winMenu::Instance();
    ShowIconPicture(menu ? menu->ImageIcon : winMenu::ProgramIcon());
    SingleClickCombo->setCurrentText(ShownClickAction(SettingKeys::SingleClickAction));
    DoubleClickCombo->setCurrentText(ShownClickAction(SettingKeys::DoubleClickAction));
}

void winOptions::LoadTrayAlertsFrame()
{
    Check1->setChecked(IsOn(ReadSetting(SettingKeys::DisplayIncomingNoteAlert)));
    Check2->setChecked(IsOn(ReadSetting(SettingKeys::DisplaySentNoteAlert)));
}

void winOptions::LoadSoundsFrame()
{
    SoundFiles = EventSounds;
    const QSignalBlocker quiet(Combo11);
    Combo11->clear();
    // A listed sound is stored by its bare name; the player finds it beside
    // the executable or in the installed share folder.
    Combo11->addItem(kNoSound, kNoSound);
    for (const QString &sound : modFiles::ProgramDataFileNames({QStringLiteral("*.wav")}))
        Combo11->addItem(sound, sound);
    ShowEventSound();
}

void winOptions::LoadInternetFrame()
{
    Check17->setChecked(IsOn(ReadSetting(SettingKeys::OnlyDownloadWhenConnected)));
    Text1->setText(modSettings::ReadProxyUsername());
    Text2->setText(modSettings::ReadProxyPassword());
}

void winOptions::ShowIconPicture(const QIcon &picture)
{
    iconPicture = picture;
    Image4->setPixmap(picture.pixmap(kIconSide));
}

void winOptions::ShowEventSound()
{
    const QString sound = SoundFiles[Combo10->currentIndex()];
    const QString stored = sound.isEmpty() ? kNoSound : sound;
    const QSignalBlocker quiet(Combo11);
    // A sound from elsewhere is shown by its file name and keeps its folder.
    int item = Combo11->findData(stored);
    if (item < 0) {
        Combo11->addItem(modFiles::FileNameFromPath(stored), stored);
        item = Combo11->count() - 1;
    }
    Combo11->setCurrentIndex(item);
    Command9->setEnabled(stored != kNoSound);
}

void winOptions::MarkChanged(bool &tabChanged)
{
    if (!LoadingDone)
        return;
    AnyChanged = true;
    tabChanged = true;
    ApplyButton->setEnabled(true);
}

void winOptions::Command3_Click()
{
    const QString file = modOpenDialog::OpenFileDialog(
        this, QStringLiteral("Icon Files"),
        {QStringLiteral("*.ico"), QStringLiteral("*.png"), QStringLiteral("*.svg")}, ProgramFolder,
        QStringLiteral("Select Icon"));
    if (file.isEmpty())
        return;
    // The tray would show the program's own picture instead, with no word why.
    if (!QImageReader(file).canRead()) {
        modDialogs::ShowWarning(
            QStringLiteral("%1 is not a picture Zettlor can show.").arg(QDir::toNativeSeparators(file)));
        return;
    }
    ShowIconPicture(winMenu::TrayPicture(file));
    IconPath = file;
    IconChanged = true;
    MarkChanged(TrayIconChanged);
}

void winOptions::Command4_Click()
{
    ShowIconPicture(winMenu::ProgramIcon());
    IconPath = kDefaultIcon;
    IconChanged = true;
    MarkChanged(TrayIconChanged);
}

void winOptions::Combo10_Click()
{
    ShowEventSound();
    MarkChanged(SoundsChanged);
}

void winOptions::Combo11_Click()
{
    const QString sound = Combo11->currentData().toString();
    SoundFiles[Combo10->currentIndex()] = sound;
    Command9->setEnabled(sound != kNoSound);
    MarkChanged(SoundsChanged);
}

void winOptions::Command10_Click()
{
    const QString file =
        modOpenDialog::OpenFileDialog(this, QStringLiteral("WAV Files"), {QStringLiteral("*.wav")},
                                      ProgramFolder, QStringLiteral("Select Sound"));
    if (file.isEmpty())
        return;
    SoundFiles[Combo10->currentIndex()] = file;
    ShowEventSound();
    MarkChanged(SoundsChanged);
}

void winOptions::ApplyOptions()
{
    if (!AnyChanged)
        return;
    if (GeneralChanged)
        ApplyGeneral();
    if (InternetChanged)
        ApplyInternet();
    if (TrayIconChanged)
        ApplyTrayIcon();
    if (TrayAlertsChanged)
        ApplyTrayAlerts();
    if (SoundsChanged)
        ApplySounds();
    // The changed flags stay set: a later Apply writes those tabs again.
    ApplyButton->setEnabled(false);
}

void winOptions::ApplyGeneral()
{
    if (Check3->isChecked()) {
        WriteSetting(SettingKeys::StartWithWindows, QStringLiteral("True"));
        modStartWithWindows::RegisterStartAtLogon();
    } else {
        WriteSetting(SettingKeys::StartWithWindows, QStringLiteral("False"));
        if (!PortableMode)
            modRegReadWrite::DeleteRegistryValue(kLogonEntryName);
    }
    WriteSetting(SettingKeys::CheckForNewUpdates, FlagText(Check8));
    WriteSetting(SettingKeys::AddSenderToContacts, FlagText(Check4));
    WriteSetting(SettingKeys::DeleteNoteAfterReplying, FlagText(Check5));
    WriteSetting(SettingKeys::AlwaysDisplayNotesOnTop, FlagText(Check6));
    NotesAlwaysOnTop = Check6->isChecked();
    if (OnTopChanged) {
        if (NotesAlwaysOnTop)
            modPinToDesktop::SetAllNotesOnTop();
        else
            modPinToDesktop::PinAllNotesToDesktop();
    }
    WhenDeletingNotes = Combo1->currentText();
    WriteSetting(SettingKeys::WhenDeletingNotes, WhenDeletingNotes);
}

void winOptions::ApplyInternet()
{
    WriteSetting(SettingKeys::OnlyDownloadWhenConnected, FlagText(Check17));
    modSettings::WriteProxyUsername(Text1->text());
    modSettings::WriteProxyPassword(Text2->text());
}

void winOptions::ApplyTrayIcon()
{
    if (IconChanged) {
        WriteSetting(SettingKeys::Icon, IconPath);
        if (winMenu *menu = winMenu::Instance()) {
            menu->ImageIcon = iconPicture;
            modTrayIcon::UpdateTrayIcon();
        }
    }
    SingleClickAction = SingleClickCombo->currentText();
    DoubleClickAction = DoubleClickCombo->currentText();
    WriteSetting(SettingKeys::SingleClickAction, SingleClickAction);
    WriteSetting(SettingKeys::DoubleClickAction, DoubleClickAction);
}

void winOptions::ApplyTrayAlerts()
{
    WriteSetting(SettingKeys::DisplayIncomingNoteAlert, FlagText(Check1));
    WriteSetting(SettingKeys::DisplaySentNoteAlert, FlagText(Check2));
    ShowIncomingNoteAlert = Check1->isChecked();
    ShowSentNoteAlert = Check2->isChecked();
}

void winOptions::ApplySounds()
{
    for (std::size_t i = 0; i < kSoundKeys.size(); ++i)
        WriteSetting(*kSoundKeys[i], SoundFiles[i]);
    EventSounds = SoundFiles;
}

void winOptions::Command1_Click()
{
    if (ApplyButton->isEnabled())
        ApplyOptions();
    accept();
}

void winOptions::done(int result)
{
    modTrayCommands::HideFormAndWait(this);
    QDialog::done(result);
    deleteLater();
}

void winOptions::keyPressEvent(QKeyEvent *event)
{
    // The tab strip steps itself while it holds the focus; from the buttons
    // below it Ctrl+Tab must step it too.
    const bool tabKey = event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
    if (tabKey && event->modifiers().testFlag(Qt::ControlModifier)) {
        const bool back = event->key() == Qt::Key_Backtab || event->modifiers().testFlag(Qt::ShiftModifier);
        Tabs->setCurrentIndex((Tabs->currentIndex() + (back ? -1 : 1) + Tabs->count()) % Tabs->count());
        return;
    }
    QDialog::keyPressEvent(event);
}
