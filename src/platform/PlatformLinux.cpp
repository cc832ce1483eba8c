#include "platform/Platform.h"

#include <QAbstractNativeEventFilter>
#include <QBackingStore>
#include <QBasicTimer>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QNetworkInterface>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QTextStream>
#include <QThread>
#include <QWidget>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <malloc.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xfixes.h>

namespace platform {
namespace {

// An atom stays the same while the connection lives: asking once spares a
// round trip to the X server for every note shown.
xcb_atom_t Atom(xcb_connection_t *connection, const char *name)
{
    static xcb_connection_t *cachedFor = nullptr;
    static QHash<QByteArray, xcb_atom_t> cache;
    if (cachedFor != connection) {
        cache.clear();
        cachedFor = connection;
    }
    const auto cached = cache.constFind(name);
    if (cached != cache.constEnd())
        return *cached;
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, uint16_t(std::strlen(name)), name);
    xcb_intern_atom_reply_t *reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    std::free(reply);
    if (atom != XCB_ATOM_NONE)
        cache.insert(name, atom);
    return atom;
}

// A signal handler may only write to a descriptor; the event loop reads
// the other end and runs the handler where Qt may be used.
int terminationPipe[2] = {-1, -1};

void WriteTerminationByte(int)
{
    // The interrupted code may be about to read errno.
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(terminationPipe[0], &byte, 1);
    errno = savedErrno;
}

std::function<void()> displayLostHandler;
QtMessageHandler previousMessageHandler = nullptr;

bool DisplayConnectionBroken()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 && x11->connection() && xcb_connection_has_error(x11->connection()) != 0;
}

// Qt's X11 plugin warns "The X11 connection broke" and calls exit(1) at once,
// on the user-interface thread: the warning is the last moment at which the
// windows, and what they hold, still exist.
void WatchForDisplayLoss(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    previousMessageHandler(type, context, message);
    if (type == QtDebugMsg || type == QtInfoMsg || !qGuiApp || QThread::currentThread() != qGuiApp->thread())
        return;
    if (displayLostHandler && DisplayConnectionBroken())
        std::exchange(displayLostHandler, nullptr)();
}

// The window manager's own protocol for changing the state of a mapped window.
void SendToWindowManager(xcb_connection_t *connection, xcb_window_t window, const char *type,
                         const std::array<uint32_t, 4> &data)
{
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = Atom(connection, type);
    std::copy(data.cbegin(), data.cend(), message.data.data32);
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection)).data;
    xcb_send_event(connection, 0, screen->root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char *>(&message));
}

constexpr uint32_t kAddState = 1;
constexpr uint32_t kFromApplication = 1;
constexpr uint32_t kEveryWorkspace = 0xFFFFFFFF;

void SendSkipTaskbar(xcb_connection_t *connection, xcb_window_t window)
{
    SendToWindowManager(connection, window, "_NET_WM_STATE",
                        {kAddState, Atom(connection, "_NET_WM_STATE_SKIP_TASKBAR"),
                         Atom(connection, "_NET_WM_STATE_SKIP_PAGER"), kFromApplication});
}

// Window managers with workspaces read the desktop number; those with one
// large scrolling desktop read the sticky state.
void SendEveryWorkspace(xcb_connection_t *connection, xcb_window_t window)
{
    SendToWindowManager(connection, window, "_NET_WM_DESKTOP", {kEveryWorkspace, kFromApplication, 0, 0});
    SendToWindowManager(connection, window, "_NET_WM_STATE",
                        {kAddState, Atom(connection, "_NET_WM_STATE_STICKY"), 0, kFromApplication});
}

using WindowManagerRequest = void (*)(xcb_connection_t *, xcb_window_t);

// A window re-created by a change of flags is not mapped yet when it is
// shown, and the window manager ignores requests for it until then: its
// first exposure says the window manager has mapped it.
class SendWhenExposed final : public QObject
{
public:
    SendWhenExposed(xcb_connection_t *connection, QWindow *window, WindowManagerRequest request)
        : QObject(window), connection(connection), request(request)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        auto *window = static_cast<QWindow *>(watched);
        if (event->type() == QEvent::Expose && window->isExposed()) {
            request(connection, xcb_window_t(window->winId()));
            deleteLater();
        }
        return false;
    }

private:
    xcb_connection_t *connection;
    WindowManagerRequest request;
};

// Only on a real X server: other platforms (offscreen tests) have none.
xcb_connection_t *X11Connection()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return QGuiApplication::platformName() == QLatin1String("xcb") && x11 ? x11->connection() : nullptr;
}

// Qt keeps a copy of every window's drawing, as large as the window, to
// answer the window system when it asks for it. The X server keeps what it
// shows and asks again (Expose) only for what was covered, so a window that
// has been drawn gives that memory back: its store shrinks to nothing, and
// Qt draws the whole window again at the next expose or update, as it does
// whenever the store's size is not the window's. A window drawn again soon
// after (covered by a note being dragged, or being edited) keeps its copy
// until it has been still for a second, so that work is not paid at every
// step.
class PixelReleaser final : public QObject
{
public:
    explicit PixelReleaser(QWidget *window) : QObject(window), window(window)
    {
        window->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        const auto type = event->type();
        if (type == QEvent::Show && watched == window && window->windowHandle()) {
            // A change of flags (pinning) may bring a new native window; a
            // second install on the same one is harmless.
            window->windowHandle()->installEventFilter(this);
        } else if (type == QEvent::Expose) {
            // Without its copy Qt would flush the store's nothing.
            if (Released())
                window->update();
            KeepUntilStill();
        } else if (type == QEvent::UpdateRequest) {
            KeepUntilStill();
        }
        return false;
    }

    void timerEvent(QTimerEvent *) override
    {
        stillTimer.stop();
        QWindow *handle = window->windowHandle();
        // Resizing the store of a window without a native one would create it.
        if (!handle || !handle->handle() || Released())
            return;
        window->backingStore()->resize(QSize(0, 0));
        lastRelease.start();
    }

private:
    static constexpr int StillMilliseconds = 1000;

    bool Released() const
    {
        const QBackingStore *store = window->backingStore();
        return !store || store->size() != window->size();
    }

    // Runs before Qt draws: the copy goes once the drawing is done.
    void KeepUntilStill()
    {
        const bool drawnAgainSoon = lastRelease.isValid() && !lastRelease.hasExpired(StillMilliseconds);
        stillTimer.start(drawnAgainSoon ? StillMilliseconds : 0, this);
    }

    QWidget *window;
    QBasicTimer stillTimer;
    QElapsedTimer lastRelease;
};

void SendOnceMapped(QWidget *window, WindowManagerRequest request)
{
    xcb_connection_t *connection = X11Connection();
    if (!connection || !window->isVisible() || !window->windowHandle())
        return;
    QWindow *handle = window->windowHandle();
    if (handle->isExposed())
        request(connection, xcb_window_t(handle->winId()));
    else
        new SendWhenExposed(connection, handle, request);
}

// An XEmbed system tray owns the selection "_NET_SYSTEM_TRAY_S" + screen number.
xcb_atom_t XEmbedTraySelection(xcb_connection_t *connection)
{
    const int screen =
        qEnvironmentVariable("DISPLAY").section(QLatin1Char(':'), -1).section(QLatin1Char('.'), 1, 1).toInt();
    return Atom(connection, ("_NET_SYSTEM_TRAY_S" + QByteArray::number(screen)).constData());
}

bool XEmbedTrayPresent(xcb_connection_t *connection)
{
    const xcb_get_selection_owner_cookie_t cookie =
        xcb_get_selection_owner(connection, XEmbedTraySelection(connection));
    xcb_get_selection_owner_reply_t *reply = xcb_get_selection_owner_reply(connection, cookie, nullptr);
    const bool owned = reply && reply->owner != XCB_WINDOW_NONE;
    std::free(reply);
    return owned;
}

const QString kStatusNotifierWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kStatusNotifierWatcherPath = QStringLiteral("/StatusNotifierWatcher");
constexpr int kBusTimeoutMilliseconds = 1000;

// A panel that draws StatusNotifierItems runs the watcher and registers with
// it as a host; a watcher without a host shows nothing.
bool StatusNotifierHostPresent()
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(kStatusNotifierWatcher, kStatusNotifierWatcherPath,
                                                      QStringLiteral("org.freedesktop.DBus.Properties"),
                                                      QStringLiteral("Get"));
    get << kStatusNotifierWatcher << QStringLiteral("IsStatusNotifierHostRegistered");
    // Asking must neither start a watcher nor wait long for a stuck one.
    get.setAutoStartService(false);
    const QDBusMessage reply = bus.call(get, QDBus::Block, kBusTimeoutMilliseconds);
    return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
           reply.arguments().constFirst().value<QDBusVariant>().variant().toBool();
}

// Hears every change of tray host as it happens, so nothing is polled: the X
// server reports each change of the XEmbed tray selection's owner (XFixes),
// the bus reports the watcher's name changing hands and a panel registering
// with the watcher as host or leaving it.
class TrayHostListener final : public QObject, public QAbstractNativeEventFilter
{
    Q_OBJECT

public:
    TrayHostListener(QObject *context, std::function<void()> changed)
        : QObject(context), changed(std::move(changed))
    {
        ListenToXEmbedTray();
        ListenToStatusNotifierWatcher();
    }
    ~TrayHostListener() override { QCoreApplication::instance()->removeNativeEventFilter(this); }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override
    {
        if (eventType != "xcb_generic_event_t")
            return false;
        const auto *event = static_cast<const xcb_xfixes_selection_notify_event_t *>(message);
        // The toolkit is handling the event: its windows change only once it is done.
        if ((event->response_type & ~0x80) == selectionNotify && event->selection == traySelection)
            QMetaObject::invokeMethod(this, &TrayHostListener::hostChanged, Qt::QueuedConnection);
        return false;
    }

private slots:
    void hostChanged() { changed(); }

private:
    void ListenToXEmbedTray()
    {
        xcb_connection_t *connection = X11Connection();
        const xcb_query_extension_reply_t *xfixes =
            connection ? xcb_get_extension_data(connection, &xcb_xfixes_id) : nullptr;
        if (!xfixes || !xfixes->present)
            return;
        // The server answers XFixes requests only from clients that told it their version.
        std::free(xcb_xfixes_query_version_reply(
            connection,
            xcb_xfixes_query_version(connection, XCB_XFIXES_MAJOR_VERSION, XCB_XFIXES_MINOR_VERSION),
            nullptr));
        selectionNotify = xfixes->first_event + XCB_XFIXES_SELECTION_NOTIFY;
        traySelection = XEmbedTraySelection(connection);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        xcb_xfixes_select_selection_input(connection, root, traySelection,
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                              XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        xcb_flush(connection);
        QCoreApplication::instance()->installNativeEventFilter(this);
    }

    void ListenToStatusNotifierWatcher()
    {
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            return;
        auto *watcher = new QDBusServiceWatcher(kStatusNotifierWatcher, bus,
                                                QDBusServiceWatcher::WatchForOwnerChange, this);
        connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &TrayHostListener::hostChanged);
        for (const QString &signal : {QStringLiteral("StatusNotifierHostRegistered"),
                                      QStringLiteral("StatusNotifierHostUnregistered")})
            bus.connect(kStatusNotifierWatcher, kStatusNotifierWatcherPath, kStatusNotifierWatcher, signal,
                        this, SLOT(hostChanged()));
    }

    std::function<void()> changed;
    int selectionNotify = -1;
    xcb_atom_t traySelection = XCB_ATOM_NONE;
};

} // namespace

void KeepOffTaskbar(QWidget *window)
{
    SendOnceMapped(window, &SendSkipTaskbar);
}

void ShowOnEveryWorkspace(QWidget *window)
{
    SendOnceMapped(window, &SendEveryWorkspace);
}

void ReleasePixelsWhenStill(QWidget *window)
{
    if (X11Connection())
        new PixelReleaser(window);
}

bool TrayHostPresent()
{
    xcb_connection_t *connection = X11Connection();
    return !connection || XEmbedTrayPresent(connection) || StatusNotifierHostPresent();
}

void OnTrayHostChange(QObject *context, std::function<void()> changed)
{
    new TrayHostListener(context, std::move(changed));
}

bool HasDisplay()
{
    return qEnvironmentVariableIsSet("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

namespace {

// Set by SelectWindowSystem for Qt alone, taken back once Qt has read them.
QList<const char *> &WindowSystemChoices()
{
    static QList<const char *> names;
    return names;
}

void ChooseUnlessSet(const char *name, const char *value)
{
    if (qEnvironmentVariableIsSet(name))
        return;
    qputenv(name, value);
    WindowSystemChoices() << name;
}

} // namespace

void SelectWindowSystem()
{
    if (!qEnvironmentVariableIsEmpty("DISPLAY"))
        ChooseUnlessSet("QT_QPA_PLATFORM", "xcb");
    // A note is drawn once and then gives its picture back (see
    // ReleasePixelsWhenStill). Over shared memory each drawing sets up and
    // tears down a segment, two waits for the X server per note.
    ChooseUnlessSet("QT_XCB_NO_MITSHM", "1");
    // The pictures are then heap blocks. A fixed threshold keeps large blocks
    // in blocks of their own, returned to the system when freed; glibc would
    // otherwise raise it after the first free and keep later pictures in the
    // heap, where a block still in use above them holds their pages.
    mallopt(M_MMAP_THRESHOLD, 128 * 1024);
}

void WindowSystemStarted()
{
    for (const char *name : std::as_const(WindowSystemChoices()))
        qunsetenv(name);
    WindowSystemChoices().clear();
}

QString CurrentUserName()
{
    const QString user = qEnvironmentVariable("USER");
    return user.isEmpty() ? qEnvironmentVariable("LOGNAME") : user;
}

QString ProfilesFolder()
{
    QDir home(QDir::homePath());
    home.cdUp();
    return home.absolutePath();
}

// Write and search for everyone, list for the owner; sticky, so that only
// a file's owner and ours may remove it; set-group-ID, so that a dropped file
// belongs to our group, through which we read it (see WriteForDropFolderOwner).
bool ShareDropFolder(const QString &folder)
{
    const QByteArray path = QFile::encodeName(folder);
    struct stat status;
    if (::lstat(path.constData(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid())
        return false;
    constexpr mode_t shared = S_ISVTX | S_ISGID | S_IRWXU | S_IWGRP | S_IXGRP | S_IWOTH | S_IXOTH; // 3733
    return (status.st_mode & 07777) == shared || ::chmod(path.constData(), shared) == 0;
}

bool WriteForDropFolderOwner(const std::function<bool()> &write)
{
    // New files get 0640 (0666 less this mask). Files are made on the one
    // user-interface thread, so nothing else is made under this mask.
    const mode_t previous = ::umask(027);
    const bool written = write();
    ::umask(previous);
    return written;
}

bool OpenForReading(QFile &file)
{
    const int descriptor =
        ::open(QFile::encodeName(file.fileName()).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (descriptor < 0)
        return false;
    if (file.open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle))
        return true;
    ::close(descriptor);
    return false;
}

QString RuntimeFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir())
        return runtime;
    // In the shared temp folder another user could take our socket's name
    // first; a folder only we may enter keeps it ours.
    const QString folder = QDir::tempPath() + QStringLiteral("/Zettlor-") + QString::number(::geteuid());
    const QByteArray path = QFile::encodeName(folder);
    ::mkdir(path.constData(), S_IRWXU);
    struct stat status;
    if (::lstat(path.constData(), &status) != 0 || !S_ISDIR(status.st_mode) || status.st_uid != ::geteuid() ||
        (status.st_mode & (S_IRWXG | S_IRWXO)) != 0)
        return QString();
    return folder;
}

namespace {

// Name of the interface that carries the default route (/proc/net/route has
// destination 00000000 on that line).
QString DefaultRouteInterface()
{
    QFile routes(QStringLiteral("/proc/net/route"));
    if (!routes.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QTextStream in(&routes);
    in.readLine(); // header
    while (!in.atEnd()) {
        const QStringList fields = in.readLine().split(QLatin1Char('\t'), Qt::SkipEmptyParts);
        if (fields.size() > 1 && fields.at(1) == QLatin1String("00000000"))
            return fields.at(0).trimmed();
    }
    return QString();
}

QString FirstIPv4(const QNetworkInterface &interface)
{
    for (const QNetworkAddressEntry &entry : interface.addressEntries()) {
        if (entry.ip().protocol() == QAbstractSocket::IPv4Protocol)
            return entry.ip().toString();
    }
    return QString();
}

} // namespace

QString DefaultRouteAddress()
{
    const QString name = DefaultRouteInterface();
    if (name.isEmpty())
        return QString();
    return FirstIPv4(QNetworkInterface::interfaceFromName(name));
}

QList<ProcessInfo> RunningProcesses()
{
    QList<ProcessInfo> processes;
    const QDir proc(QStringLiteral("/proc"));
    for (const QString &entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool isNumber = false;
        const qint64 pid = entry.toLongLong(&isNumber);
        // Another user's processes are none of ours to end, even for root.
        struct stat status;
        if (!isNumber || ::stat(QFile::encodeName(proc.filePath(entry)).constData(), &status) != 0 ||
            status.st_uid != ::geteuid())
            continue;
        const QFileInfo exe(proc.filePath(entry + QStringLiteral("/exe")));
        QString name = QFileInfo(exe.symLinkTarget()).fileName();
        if (name.isEmpty()) {
            QFile comm(proc.filePath(entry + QStringLiteral("/comm")));
            if (comm.open(QIODevice::ReadOnly))
                name = QString::fromLocal8Bit(comm.readAll()).trimmed();
        }
        if (!name.isEmpty())
            processes.append({pid, name});
    }
    return processes;
}

bool TerminateProcess(qint64 pid)
{
    return ::kill(pid_t(pid), SIGTERM) == 0;
}

void OnTerminationRequest(std::function<void()> handler)
{
    if (terminationPipe[0] >= 0 ||
        ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, terminationPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(terminationPipe[1], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, notifier, [handler = std::move(handler)] {
        char bytes[16];
        [[maybe_unused]] const ssize_t got = ::read(terminationPipe[1], bytes, sizeof bytes);
        handler();
    });
    struct sigaction action = {};
    action.sa_handler = WriteTerminationByte;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signalNumber, &action, nullptr);
}

void OnDisplayLost(std::function<void()> handler)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb") || displayLostHandler)
        return;
    displayLostHandler = std::move(handler);
    previousMessageHandler = qInstallMessageHandler(WatchForDisplayLoss);
}

void FailWritesBeyondFileSizeLimit()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

void SyncFolder(const QString &folder)
{
    const int descriptor = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (descriptor < 0)
        return;
    ::fsync(descriptor);
    ::close(descriptor);
}

} // namespace platform

#include "PlatformLinux.moc"
