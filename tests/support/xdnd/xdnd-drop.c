/*
 * xdnd-drop: drop files onto the window under a screen point by XDND, as a
 * Linux file manager does, so that end-to-end tests can drop files onto a
 * program running under Wine (winex11 turns the drop into WM_DROPFILES or an
 * OLE drop).
 *
 *   xdnd-drop X Y FILE...     X,Y root-window coordinates, FILE absolute paths
 *
 * Exit status: 0 drop finished; 1 usage, X failure or no XdndAware window
 * (of version 3 or later) under the point; 2 target refused the drop, did not
 * answer XdndPosition, or finished saying it did not perform it; 3 the drop
 * was sent but no XdndFinished arrived. Everything happens within 10 s.
 *
 * Build: cc -O2 -Wall -Wextra -o xdnd-drop xdnd-drop.c -lX11
 */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <errno.h>
#include <poll.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#define OUR_VERSION 5
#define MIN_VERSION 3
#define TIMEOUT_MS 10000
#define URI_MAX 65536
#define MAX_DEPTH 64

enum { A_AWARE, A_PROXY, A_SELECTION, A_ENTER, A_POSITION, A_STATUS, A_LEAVE,
       A_DROP, A_FINISHED, A_COPY, A_TARGETS, A_URI_LIST, A_COUNT };
static char *atom_names[A_COUNT] = {
    "XdndAware", "XdndProxy", "XdndSelection", "XdndEnter", "XdndPosition",
    "XdndStatus", "XdndLeave", "XdndDrop", "XdndFinished", "XdndActionCopy",
    "TARGETS", "text/uri-list" };

struct drag {
    Display *dpy;
    Window root, src;
    Window target;  /* XdndAware top-level: named in every message */
    Window dest;    /* where messages go: target or its XdndProxy */
    int version;    /* the one we speak: min(ours, target's) */
    long their_version;
    int x, y;
    Time time;
    long deadline_ms;
    Atom atom[A_COUNT];
    char uris[URI_MAX];
    size_t uris_len;
};

static int x_error_code;

/* Record X errors instead of exiting, so that a target that vanishes
 * mid-drag gives a message and an exit status. */
static int on_x_error(Display *dpy, XErrorEvent *e)
{
    (void)dpy;
    x_error_code = e->error_code;
    return 0;
}

static long now_ms(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return ts.tv_sec * 1000L + ts.tv_nsec / 1000000L;
}

static int die(int status, const char *msg)
{
    fprintf(stderr, "xdnd-drop: %s\n", msg);
    return status;
}

/* Append a path as one "file://" line, percent-encoding every byte outside
 * the URI unreserved set and '/'. Returns 0 if the buffer would overflow. */
static int add_uri(struct drag *d, const char *path)
{
    static const char hex[] = "0123456789ABCDEF";
    const unsigned char *p = (const unsigned char *)path;
    size_t n = d->uris_len, cap = sizeof d->uris - 1;

    if (cap - n < 7)
        return 0;
    memcpy(d->uris + n, "file://", 7);
    n += 7;
    for (; *p; p++) {
        int plain = (*p >= 'a' && *p <= 'z') || (*p >= 'A' && *p <= 'Z') ||
                    (*p >= '0' && *p <= '9') || strchr("-._~/", *p);
        if (cap - n < 3)
            return 0;
        if (plain) {
            d->uris[n++] = (char)*p;
        } else {
            d->uris[n++] = '%';
            d->uris[n++] = hex[*p >> 4];
            d->uris[n++] = hex[*p & 15];
        }
    }
    if (cap - n < 2)
        return 0;
    d->uris[n++] = '\r';
    d->uris[n++] = '\n';
    d->uris[n] = '\0';
    d->uris_len = n;
    return 1;
}

/* Read one 32-bit value of the given type from a window property. */
static int get_prop32(struct drag *d, Window w, Atom prop, Atom type, long *out)
{
    Atom got_type;
    int format;
    unsigned long count, after;
    unsigned char *data = NULL;
    int ok;

    if (XGetWindowProperty(d->dpy, w, prop, 0, 1, False, type, &got_type,
                           &format, &count, &after, &data) != Success)
        return 0;
    ok = got_type == type && format == 32 && count == 1;
    if (ok)
        *out = ((long *)data)[0];
    if (data)
        XFree(data);
    return ok;
}

/* Walk from the root down the mapped windows under the point to the first
 * one carrying XdndAware; with a window manager that is the client window
 * inside the frame. */
static Window find_target(struct drag *d)
{
    Window w = d->root, child;
    int depth, cx, cy;
    for (depth = 0; depth < MAX_DEPTH; depth++) {
        if (w != d->root &&
            get_prop32(d, w, d->atom[A_AWARE], XA_ATOM, &d->their_version)) {
            d->version = d->their_version < OUR_VERSION ? (int)d->their_version
                                                        : OUR_VERSION;
            return w;
        }
        if (!XTranslateCoordinates(d->dpy, d->root, w, d->x, d->y, &cx, &cy, &child)
            || child == None)
            return None;
        w = child;
    }
    return None;
}

/* A valid XdndProxy names a window whose own XdndProxy names itself. */
static Window find_dest(struct drag *d)
{
    long proxy, check;

    if (get_prop32(d, d->target, d->atom[A_PROXY], XA_WINDOW, &proxy) &&
        get_prop32(d, (Window)proxy, d->atom[A_PROXY], XA_WINDOW, &check) &&
        check == proxy)
        return (Window)proxy;
    return d->target;
}

/* Get a server timestamp from a zero-length property change on our window. */
static Time server_time(struct drag *d)
{
    XEvent ev;

    XChangeProperty(d->dpy, d->src, d->atom[A_SELECTION], XA_STRING, 8,
                    PropModeAppend, (unsigned char *)"", 0);
    XWindowEvent(d->dpy, d->src, PropertyChangeMask, &ev);
    return ev.xproperty.time;
}

static int send_msg(struct drag *d, int type, long l1, long l2, long l3, long l4)
{
    XEvent ev;

    memset(&ev, 0, sizeof ev);
    ev.xclient.type = ClientMessage;
    ev.xclient.display = d->dpy;
    ev.xclient.window = d->target;
    ev.xclient.message_type = d->atom[type];
    ev.xclient.format = 32;
    ev.xclient.data.l[0] = (long)d->src;
    ev.xclient.data.l[1] = l1;
    ev.xclient.data.l[2] = l2;
    ev.xclient.data.l[3] = l3;
    ev.xclient.data.l[4] = l4;
    x_error_code = 0;
    if (!XSendEvent(d->dpy, d->dest, False, NoEventMask, &ev))
        return 0;
    XSync(d->dpy, False);
    return x_error_code == 0;
}

/* Answer a request for our selection: the URI list, or the list of targets
 * we offer; anything else is refused. */
static void answer_request(struct drag *d, XSelectionRequestEvent *rq)
{
    XEvent reply;
    Atom prop = rq->property != None ? rq->property : rq->target;
    Atom targets[2] = { d->atom[A_TARGETS], d->atom[A_URI_LIST] };

    if (rq->selection != d->atom[A_SELECTION] || rq->owner != d->src)
        prop = None;
    else if (rq->target == d->atom[A_URI_LIST])
        XChangeProperty(d->dpy, rq->requestor, prop, rq->target, 8, PropModeReplace,
                        (unsigned char *)d->uris, (int)d->uris_len);
    else if (rq->target == d->atom[A_TARGETS])
        XChangeProperty(d->dpy, rq->requestor, prop, XA_ATOM, 32, PropModeReplace,
                        (unsigned char *)targets, 2);
    else
        prop = None;

    memset(&reply, 0, sizeof reply);
    reply.xselection.type = SelectionNotify;
    reply.xselection.requestor = rq->requestor;
    reply.xselection.selection = rq->selection;
    reply.xselection.target = rq->target;
    reply.xselection.property = prop;
    reply.xselection.time = rq->time;
    XSendEvent(d->dpy, rq->requestor, False, NoEventMask, &reply);
    XSync(d->dpy, False);
    x_error_code = 0;  /* a requestor that went away is not our failure */
}

/* Wait for the named XDND message from the target, serving selection
 * requests meanwhile. Returns 1 with the event, 0 on timeout or lost
 * selection. */
static int wait_for(struct drag *d, int type, XEvent *ev)
{
    struct pollfd pfd = { ConnectionNumber(d->dpy), POLLIN, 0 };

    for (;;) {
        while (!XPending(d->dpy)) {
            long left = d->deadline_ms - now_ms();
            if (left <= 0)
                return 0;
            if (poll(&pfd, 1, (int)left) < 0 && errno != EINTR)
                return 0;
        }
        XNextEvent(d->dpy, ev);
        if (ev->type == SelectionRequest)
            answer_request(d, &ev->xselectionrequest);
        else if (ev->type == SelectionClear)
            return die(0, "another client took XdndSelection");
        else if (ev->type == ClientMessage && ev->xclient.message_type == d->atom[type]
                 && (Window)ev->xclient.data.l[0] == d->target)
            return 1;
    }
}

/* Enter, Position, Status, Drop, Finished. Returns the exit status. */
static int drag_and_drop(struct drag *d)
{
    XEvent ev;

    if (!send_msg(d, A_ENTER, (long)d->version << 24, (long)d->atom[A_URI_LIST], 0, 0) ||
        !send_msg(d, A_POSITION, 0, ((long)d->x << 16) | (d->y & 0xffff),
                  (long)d->time, (long)d->atom[A_COPY]))
        return die(1, "sending XdndEnter/XdndPosition failed (target gone?)");
    if (!wait_for(d, A_STATUS, &ev)) {
        send_msg(d, A_LEAVE, 0, 0, 0, 0);
        return die(2, "no XdndStatus from the target within the time limit");
    }
    if (!(ev.xclient.data.l[1] & 1)) {
        send_msg(d, A_LEAVE, 0, 0, 0, 0);
        return die(2, "target does not accept the drop here (XdndStatus refused)");
    }
    if (!send_msg(d, A_DROP, 0, (long)d->time, 0, 0))
        return die(1, "sending XdndDrop failed (target gone?)");
    if (!wait_for(d, A_FINISHED, &ev))
        return die(3, "no XdndFinished from the target within the time limit");
    if (d->version >= 5 && !(ev.xclient.data.l[1] & 1))
        return die(2, "target finished but reports the drop as not performed");
    return 0;
}

/* A screen coordinate: a whole number that fits XdndPosition's 16 bits. */
static int parse_coord(const char *s, int *out)
{
    char *end;
    long v = strtol(s, &end, 10);

    if (*end || end == s || v < 0 || v > 32767)
        return 0;
    *out = (int)v;
    return 1;
}

static int parse_args(struct drag *d, int argc, char **argv)
{
    int i;

    if (argc < 4 || !parse_coord(argv[1], &d->x) || !parse_coord(argv[2], &d->y))
        return 0;
    for (i = 3; i < argc; i++) {
        if (argv[i][0] != '/')
            return die(0, "file paths must be absolute");
        if (!add_uri(d, argv[i]))
            return die(0, "too many or too long file paths");
    }
    return 1;
}

/* Open the display and make our unmapped source window owning XdndSelection. */
static int setup(struct drag *d)
{
    XSetWindowAttributes attr;

    d->dpy = XOpenDisplay(NULL);
    if (!d->dpy)
        return die(0, "cannot open display (is DISPLAY set?)");
    XSetErrorHandler(on_x_error);
    if (!XInternAtoms(d->dpy, atom_names, A_COUNT, False, d->atom))
        return die(0, "cannot intern atoms");
    if (d->uris_len + 64 > (size_t)XMaxRequestSize(d->dpy) * 4)
        return die(0, "file list too long for one X request");
    d->root = DefaultRootWindow(d->dpy);
    attr.event_mask = PropertyChangeMask;
    d->src = XCreateWindow(d->dpy, d->root, -10, -10, 1, 1, 0, CopyFromParent,
                           InputOnly, CopyFromParent, CWEventMask, &attr);
    XSync(d->dpy, False);
    if (!d->src || x_error_code)
        return die(0, "cannot create the source window");
    d->time = server_time(d);
    XSetSelectionOwner(d->dpy, d->atom[A_SELECTION], d->src, d->time);
    if (XGetSelectionOwner(d->dpy, d->atom[A_SELECTION]) != d->src)
        return die(0, "cannot own XdndSelection");
    return 1;
}

int main(int argc, char **argv)
{
    static struct drag d;
    int status;

    if (!parse_args(&d, argc, argv)) {
        fprintf(stderr, "usage: xdnd-drop X Y /absolute/file...\n");
        return 1;
    }
    d.deadline_ms = now_ms() + TIMEOUT_MS;
    if (!setup(&d))
        return 1;
    /* Move the real pointer too: some targets read it rather than the
     * coordinates in XdndPosition. */
    XWarpPointer(d.dpy, None, d.root, 0, 0, 0, 0, d.x, d.y);
    XSync(d.dpy, False);
    d.target = find_target(&d);
    if (d.target == None)
        return die(1, "no XdndAware window under the point");
    if (d.version < MIN_VERSION) {
        fprintf(stderr, "xdnd-drop: window 0x%lx speaks XDND version %ld, need %d+\n",
                d.target, d.their_version, MIN_VERSION);
        return 1;
    }
    d.dest = find_dest(&d);
    status = drag_and_drop(&d);
    if (status == 0)
        printf("xdnd-drop: dropped %d file(s) on window 0x%lx at %d,%d (XDND v%d)\n",
               argc - 3, d.target, d.x, d.y, d.version);
    XDestroyWindow(d.dpy, d.src);
    XCloseDisplay(d.dpy);
    return status;
}
