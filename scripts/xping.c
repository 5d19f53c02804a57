/* xping: asks an X client whether its event loop is answering.
 *
 *   xping WINDOW [TIMEOUT_MS]
 *
 * Sends the window manager's _NET_WM_PING message to WINDOW (a decimal or 0x
 * window id) and waits for the client to send it back to the root window, as a
 * client that lists _NET_WM_PING in WM_PROTOCOLS does from its event loop (Qt
 * answers from the GUI thread). Prints the round trip in milliseconds and exits
 * 0 on an answer, 1 when none came within TIMEOUT_MS (default 1000), 2 on a
 * usage or connection error. Used by scripts/soak.sh to tell a busy program
 * from a frozen one.
 */
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

static double now_ms(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000.0 + ts.tv_nsec / 1e6;
}

/* True when EVENT is the pong for the ping sent to WINDOW with STAMP. */
static int is_pong(const XEvent *event, Atom protocols, Atom ping, Window window,
                   unsigned long stamp) {
    return event->type == ClientMessage && event->xclient.message_type == protocols &&
           event->xclient.format == 32 && (Atom)event->xclient.data.l[0] == ping &&
           (unsigned long)event->xclient.data.l[1] == stamp &&
           (Window)event->xclient.data.l[2] == window;
}

int main(int argc, char **argv) {
    if (argc < 2) {
        fprintf(stderr, "usage: xping WINDOW [TIMEOUT_MS]\n");
        return 2;
    }
    Window window = (Window)strtoul(argv[1], NULL, 0);
    double timeout = argc > 2 ? atof(argv[2]) : 1000.0;
    Display *display = XOpenDisplay(NULL);
    if (display == NULL) {
        fprintf(stderr, "xping: cannot open the display\n");
        return 2;
    }
    Window root = DefaultRootWindow(display);
    Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    Atom ping = XInternAtom(display, "_NET_WM_PING", False);
    /* The answer is sent to the root window; Qt sends it for StructureNotify
     * listeners, the hint for window managers names SubstructureNotify. */
    XSelectInput(display, root, StructureNotifyMask | SubstructureNotifyMask);

    /* A stamp of our own, so an answer to someone else's ping is not taken. */
    unsigned long stamp = (unsigned long)(getpid() ^ (long)now_ms()) & 0x7fffffffUL;
    XEvent event = {0};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = protocols;
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long)ping;
    event.xclient.data.l[1] = (long)stamp;
    event.xclient.data.l[2] = (long)window;
    double start = now_ms();
    XSendEvent(display, window, False, NoEventMask, &event);
    XFlush(display);

    struct pollfd pfd = {ConnectionNumber(display), POLLIN, 0};
    for (;;) {
        while (XPending(display) > 0) {
            XEvent reply;
            XNextEvent(display, &reply);
            if (is_pong(&reply, protocols, ping, window, stamp)) {
                printf("%.1f\n", now_ms() - start);
                XCloseDisplay(display);
                return 0;
            }
        }
        double left = timeout - (now_ms() - start);
        if (left <= 0)
            break;
        poll(&pfd, 1, (int)left + 1);
    }
    printf("timeout\n");
    XCloseDisplay(display);
    return 1;
}
