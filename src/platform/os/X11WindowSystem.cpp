#include "platform/os/X11WindowSystem.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <deque>

namespace os {
namespace {

// Windows may vanish between being listed and being asked about; Xlib's
// default error handler would end the process for the BadWindow that
// follows. While one of our calls runs, errors are swallowed instead.
int ignoreXError(Display*, XErrorEvent*)
{
    return 0;
}

// One display connection with the error handler installed, for one call.
class DisplayConnection {
public:
    DisplayConnection()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            return;
        m_display = XOpenDisplay(nullptr);
        if (m_display)
            m_previousHandler = XSetErrorHandler(ignoreXError);
    }
    ~DisplayConnection()
    {
        if (!m_display)
            return;
        XSync(m_display, False); // collect pending errors while ours is installed
        XSetErrorHandler(m_previousHandler);
        XCloseDisplay(m_display);
    }
    DisplayConnection(const DisplayConnection&) = delete;
    DisplayConnection& operator=(const DisplayConnection&) = delete;

    Display* get() const { return m_display; }
    Window root() const { return DefaultRootWindow(m_display); }
    Atom atom(const char* name) const { return XInternAtom(m_display, name, False); }

private:
    Display* m_display = nullptr;
    XErrorHandler m_previousHandler = nullptr;
};

// The data of a window property, freed with XFree.
class Property {
public:
    Property(Display* display, Window window, Atom property, Atom type)
    {
        int format = 0;
        unsigned long after = 0;
        if (XGetWindowProperty(display, window, property, 0, 1L << 20, False, type, &m_type, &format, &m_count,
                               &after, &m_data)
            != Success) {
            m_data = nullptr;
            m_count = 0;
        }
        m_format = format;
    }
    ~Property()
    {
        if (m_data)
            XFree(m_data);
    }
    Property(const Property&) = delete;
    Property& operator=(const Property&) = delete;

    bool exists() const { return m_data != nullptr && m_type != None; }
    Atom type() const { return m_type; }
    int format() const { return m_format; }
    unsigned long count() const { return m_count; }
    const unsigned char* bytes() const { return m_data; }
    // Xlib hands 32-bit items to the client as longs.
    std::vector<Window> windows() const
    {
        if (!exists() || m_format != 32)
            return {};
        const auto* items = reinterpret_cast<const unsigned long*>(m_data);
        return std::vector<Window>(items, items + m_count);
    }

private:
    Atom m_type = None;
    int m_format = 0;
    unsigned long m_count = 0;
    unsigned char* m_data = nullptr;
};

bool hasProperty(Display* display, Window window, Atom property)
{
    return Property(display, window, property, AnyPropertyType).exists();
}

// A window manager is running when the root names a check window that names
// itself back (a stale property of a window manager that is gone does not).
bool windowManagerRunning(const DisplayConnection& x)
{
    const Atom check = x.atom("_NET_SUPPORTING_WM_CHECK");
    const auto fromRoot = Property(x.get(), x.root(), check, XA_WINDOW).windows();
    if (fromRoot.empty())
        return false;
    const auto fromChild = Property(x.get(), fromRoot.front(), check, XA_WINDOW).windows();
    return !fromChild.empty() && fromChild.front() == fromRoot.front();
}

std::vector<Window> children(Display* display, Window window)
{
    Window root = 0;
    Window parent = 0;
    Window* list = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display, window, &root, &parent, &list, &count))
        return {};
    std::vector<Window> result(list, list + count); // bottom-to-top
    if (list)
        XFree(list);
    return result;
}

// A reparenting window manager puts each client inside a frame of its own;
// the client is the window below the frame that carries WM_STATE, as the
// ICCCM has it. A window without such a descendant stands for itself.
Window clientOf(const DisplayConnection& x, Window frame)
{
    const Atom wmState = x.atom("WM_STATE");
    std::deque<Window> queue{frame};
    while (!queue.empty()) {
        const Window window = queue.front();
        queue.pop_front();
        if (hasProperty(x.get(), window, wmState))
            return window;
        for (Window child : children(x.get(), window))
            queue.push_back(child);
    }
    return frame;
}

bool isViewable(Display* display, Window window)
{
    XWindowAttributes attributes{};
    return XGetWindowAttributes(display, window, &attributes) && attributes.map_state == IsViewable;
}

QString titleOf(const DisplayConnection& x, Window window)
{
    const Atom utf8 = x.atom("UTF8_STRING");
    const Property netName(x.get(), window, x.atom("_NET_WM_NAME"), utf8);
    if (netName.exists() && netName.format() == 8)
        return QString::fromUtf8(reinterpret_cast<const char*>(netName.bytes()),
                                 static_cast<qsizetype>(netName.count()));

    const Property name(x.get(), window, XA_WM_NAME, AnyPropertyType);
    if (!name.exists() || name.format() != 8)
        return QString();
    const auto* text = reinterpret_cast<const char*>(name.bytes());
    const auto length = static_cast<qsizetype>(name.count());
    if (name.type() == XA_STRING)
        return QString::fromLatin1(text, length); // ICCCM: STRING is ISO Latin-1
    if (name.type() == utf8)
        return QString::fromUtf8(text, length);

    // COMPOUND_TEXT and the like: let Xlib convert.
    XTextProperty property{};
    property.value = const_cast<unsigned char*>(name.bytes());
    property.encoding = name.type();
    property.format = name.format();
    property.nitems = name.count();
    char** list = nullptr;
    int count = 0;
    QString result;
    if (Xutf8TextPropertyToTextList(x.get(), &property, &list, &count) >= Success && list) {
        if (count > 0)
            result = QString::fromUtf8(list[0]);
        XFreeStringList(list);
    }
    return result;
}

} // namespace

std::vector<TopLevelWindow> X11WindowSystem::windowsInZOrder()
{
    const DisplayConnection x;
    if (!x.get())
        return {};

    // A window manager keeps the stacking order of the windows it manages,
    // iconified ones included; without one, the root's children are the
    // top-level windows. Both lists run bottom-to-top.
    std::vector<Window> clients;
    const auto stacking =
        Property(x.get(), x.root(), x.atom("_NET_CLIENT_LIST_STACKING"), XA_WINDOW).windows();
    if (windowManagerRunning(x) && !stacking.empty()) {
        clients = stacking;
    } else {
        for (Window child : children(x.get(), x.root()))
            if (isViewable(x.get(), child))
                clients.push_back(clientOf(x, child));
    }
    std::reverse(clients.begin(), clients.end());

    std::vector<TopLevelWindow> result;
    result.reserve(clients.size());
    for (Window window : clients)
        result.push_back({static_cast<quint64>(window), titleOf(x, window)});
    return result;
}

void X11WindowSystem::setForeground(quint64 id)
{
    const DisplayConnection x;
    if (!x.get() || id == 0)
        return;
    const auto window = static_cast<Window>(id);

    if (windowManagerRunning(x)) {
        // With a window manager, asking it is the only reliable way: it
        // raises the frame, de-iconifies and switches desktops as needed.
        XEvent event{};
        event.xclient.type = ClientMessage;
        event.xclient.window = window;
        event.xclient.message_type = x.atom("_NET_ACTIVE_WINDOW");
        event.xclient.format = 32;
        event.xclient.data.l[0] = 1; // source: an application
        event.xclient.data.l[1] = CurrentTime;
        event.xclient.data.l[2] = 0;
        XSendEvent(x.get(), x.root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    } else {
        XRaiseWindow(x.get(), window);
        XSetInputFocus(x.get(), window, RevertToParent, CurrentTime);
    }
    XSync(x.get(), False);
}

std::unique_ptr<WindowSystem> createPlatformWindowSystem()
{
    return std::make_unique<X11WindowSystem>();
}

} // namespace os
