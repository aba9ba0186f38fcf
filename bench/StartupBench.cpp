// startup BARE APP... [--runs N]: how long each program takes from its exec
// to its first frame on the X display, and the memory it holds a second later,
// run by turns N times each (6 unless given), each against the first. The X
// server says when a window is first drawn (the DAMAGE extension), whatever
// renderer drew it, so the programs run as they are. The last line holds the
// medians as key=value pairs, the programs numbered in the order given.

#include "ResidentMemory.h"

#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

// A frame narrower than this belongs to no main window of either program.
constexpr int mainWindowWidth = 800;
constexpr auto frameTimeout = 20s;
// As a user takes the window in before doing anything.
constexpr auto idleTime = 1s;

struct Launch {
    double firstFrameMs = -1;
    double residentMb = 0;
};

class Display {
  public:
    Display() : connection_(xcb_connect(nullptr, nullptr), &xcb_disconnect) {}

    bool open()
    {
        if (xcb_connection_has_error(connection_.get()) != 0)
            return false;
        const xcb_query_extension_reply_t* damage = xcb_get_extension_data(connection_.get(), &xcb_damage_id);
        if (damage == nullptr || damage->present == 0)
            return false;
        damageEvent_ = damage->first_event + XCB_DAMAGE_NOTIFY;
        free(xcb_damage_query_version_reply(connection_.get(),
                                            xcb_damage_query_version(connection_.get(), 1, 1), nullptr));
        // New top-level windows are announced on the root.
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection_.get())).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(connection_.get(), root, XCB_CW_EVENT_MASK, &mask);
        pidAtom_ = atom("_NET_WM_PID");
        return true;
    }

    // Spawns `program` and waits for its first frame, then for the memory it holds idle.
    Launch launch(const char* program)
    {
        Launch launch;
        xcb_flush(connection_.get());
        const auto start = Clock::now();
        pid_t pid = 0;
        char* argv[] = {const_cast<char*>(program), nullptr};
        if (posix_spawn(&pid, program, nullptr, nullptr, argv, environ) != 0)
            return launch;
        if (waitForFirstFrame(pid, start + frameTimeout)) {
            launch.firstFrameMs = std::chrono::duration<double, std::milli>(Clock::now() - start).count();
            std::this_thread::sleep_for(idleTime);
            launch.residentMb = optara::ResidentMemory::ofProcess(pid).residentMb;
        }
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return launch;
    }

  private:
    xcb_atom_t atom(const char* name)
    {
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(
            xcb_intern_atom_reply(
                connection_.get(),
                xcb_intern_atom(connection_.get(), 0, static_cast<uint16_t>(std::strlen(name)), name),
                nullptr),
            &free);
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }

    // Whether the window names `pid` as its owner; a window manager's frames do not.
    bool ownedBy(xcb_window_t window, pid_t pid)
    {
        const std::unique_ptr<xcb_get_property_reply_t, decltype(&free)> reply(
            xcb_get_property_reply(
                connection_.get(),
                xcb_get_property(connection_.get(), 0, window, pidAtom_, XCB_ATOM_CARDINAL, 0, 1), nullptr),
            &free);
        return reply && xcb_get_property_value_length(reply.get()) == 4 &&
               *static_cast<const uint32_t*>(xcb_get_property_value(reply.get())) ==
                   static_cast<uint32_t>(pid);
    }

    bool waitForFirstFrame(pid_t pid, Clock::time_point deadline)
    {
        std::vector<xcb_damage_damage_t> damages;
        bool drawn = false;
        while (!drawn && Clock::now() < deadline) {
            pollfd fd{.fd = xcb_get_file_descriptor(connection_.get()), .events = POLLIN, .revents = 0};
            poll(&fd, 1, 100);
            while (xcb_generic_event_t* event = xcb_poll_for_event(connection_.get())) {
                const uint8_t type = event->response_type & 0x7F;
                if (type == XCB_CREATE_NOTIFY) {
                    // Every new top-level window reports its drawing from now on.
                    const auto* created = reinterpret_cast<xcb_create_notify_event_t*>(event);
                    damages.push_back(xcb_generate_id(connection_.get()));
                    xcb_damage_create(connection_.get(), damages.back(), created->window,
                                      XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
                    xcb_flush(connection_.get());
                } else if (type == damageEvent_) {
                    const auto* damage = reinterpret_cast<xcb_damage_notify_event_t*>(event);
                    drawn = drawn ||
                            (damage->geometry.width >= mainWindowWidth && ownedBy(damage->drawable, pid));
                }
                free(event);
            }
        }
        for (const xcb_damage_damage_t damage : damages)
            xcb_damage_destroy(connection_.get(), damage);
        xcb_flush(connection_.get());
        return drawn;
    }

    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection_;
    xcb_atom_t pidAtom_ = XCB_ATOM_NONE;
    uint8_t damageEvent_ = 0;
};

double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

struct Arguments {
    std::vector<const char*> programs;
    int runs = 6;
};

std::optional<Arguments> parse(int argc, char** argv)
{
    Arguments arguments;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") != 0) {
            arguments.programs.push_back(argv[i]);
            continue;
        }
        if (++i == argc)
            return std::nullopt;
        const char* end = argv[i] + std::strlen(argv[i]);
        const auto [last, error] = std::from_chars(argv[i], end, arguments.runs);
        if (error != std::errc() || last != end || arguments.runs < 1)
            return std::nullopt;
    }
    return arguments.programs.size() >= 2 ? std::optional(arguments) : std::nullopt;
}

} // namespace

int runStartupBench(int argc, char** argv)
{
    const std::optional<Arguments> arguments = parse(argc, argv);
    if (!arguments) {
        std::fprintf(stderr, "usage: optara-bench startup BARE APP... [--runs N]\n");
        return 2;
    }
    Display display;
    if (!display.open()) {
        std::fprintf(stderr, "startup: needs an X display with the DAMAGE extension\n");
        return 1;
    }
    const std::vector<const char*>& programs = arguments->programs;
    std::vector<std::vector<double>> frames(programs.size()), memory(programs.size());
    for (int run = 0; run < arguments->runs; ++run) {
        // By turns, each round starting with the next program.
        for (std::size_t turn = 0; turn < programs.size(); ++turn) {
            const std::size_t which = (static_cast<std::size_t>(run) + turn) % programs.size();
            const Launch launch = display.launch(programs[which]);
            std::printf("%s: first frame %.1f ms, %.1f MB resident\n", programs[which], launch.firstFrameMs,
                        launch.residentMb);
            if (launch.firstFrameMs < 0)
                return 1;
            frames[which].push_back(launch.firstFrameMs);
            memory[which].push_back(launch.residentMb);
        }
    }
    const double reference = median(frames[0]);
    for (std::size_t which = 0; which < programs.size(); ++which)
        std::printf("first_frame_ms_%zu=%.1f ratio_%zu=%.2f idle_rss_mb_%zu=%.1f ", which,
                    median(frames[which]), which, median(frames[which]) / reference, which,
                    median(memory[which]));
    std::printf("runs=%d\n", arguments->runs);
    return 0;
}
