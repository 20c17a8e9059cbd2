#include "LabNetwork.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>

#include "net/ByteReader.h"
#include "net/DeviceRecord.h"
#include "net/FrameHeader.h"

namespace quillon::lab {

std::string labValue(const char* name) {
    const char* v = std::getenv(name);
    return v != nullptr ? v : "";
}

bool inLab() {
    return labValue("QUILLON_LAB") == "1" && !labValue("LAB_NS_A").empty();
}

namespace {

// Moves the calling thread into a segment's network namespace.
bool enterNamespace(const std::string& name) {
    const std::string path = "/run/netns/" + name;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    const bool ok = ::setns(fd, CLONE_NEWNET) == 0;
    ::close(fd);
    return ok;
}

std::string addressText(const in_addr& a) {
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &a, text, sizeof text);
    return text;
}

}  // namespace

ScriptedDevice::ScriptedDevice(const std::string& segmentNamespace, Responder responder)
    : m_responder(std::move(responder)) {
    if (::pipe2(m_wake, O_CLOEXEC) != 0) {
        return;
    }
    std::mutex startMutex;
    std::condition_variable started;
    bool done = false;
    m_thread = std::thread([&, segmentNamespace] {
        UniqueSocket s;
        bool ok = enterNamespace(segmentNamespace);
        if (ok) {
            s.reset(::socket(AF_INET, SOCK_DGRAM, 0));
            const int on = 1;
            sockaddr_in any{};
            any.sin_family = AF_INET;
            any.sin_port = htons(DEVICE_PORT);
            ok = s && ::setsockopt(s.get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on) == 0 &&
                 ::setsockopt(s.get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof on) == 0 &&
                 ::setsockopt(s.get(), IPPROTO_IP, IP_PKTINFO, &on, sizeof on) == 0 &&
                 ::bind(s.get(), reinterpret_cast<sockaddr*>(&any), sizeof any) == 0;
        }
        {
            // Notified under the lock: the constructor's condition variable
            // lives on its stack and is gone as soon as it sees done.
            std::lock_guard lock(startMutex);
            m_ready = ok;
            done = true;
            started.notify_one();
        }
        if (ok) {
            serve(s.get());
        }
    });
    std::unique_lock lock(startMutex);
    started.wait(lock, [&] { return done; });
}

ScriptedDevice::~ScriptedDevice() {
    m_stop = true;
    if (m_wake[1] >= 0) {
        [[maybe_unused]] const auto n = ::write(m_wake[1], "x", 1);
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    for (const int fd : m_wake) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

void ScriptedDevice::serve(int socket) {
    std::vector<std::uint8_t> buffer(65536);
    while (!m_stop) {
        std::array<pollfd, 2> fds{{{socket, POLLIN, 0}, {m_wake[0], POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), -1) < 0 || (fds[1].revents & POLLIN) != 0) {
            break;
        }
        sockaddr_in from{};
        alignas(cmsghdr) char control[256] = {};
        iovec io{buffer.data(), buffer.size()};
        msghdr msg{};
        msg.msg_name = &from;
        msg.msg_namelen = sizeof from;
        msg.msg_iov = &io;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        const ssize_t n = ::recvmsg(socket, &msg, 0);
        if (n < 0) {
            continue;
        }
        Datagram d;
        d.sourceAddress = addressText(from.sin_addr);
        d.sourcePort = ntohs(from.sin_port);
        d.source = d.sourceAddress + ":" + std::to_string(d.sourcePort);
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c != nullptr; c = CMSG_NXTHDR(&msg, c)) {
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                in_pktinfo info{};
                std::memcpy(&info, CMSG_DATA(c), sizeof info);
                d.destination = addressText(info.ipi_addr);
            }
        }
        d.bytes.assign(buffer.begin(), buffer.begin() + n);
        std::vector<std::vector<std::uint8_t>> replies;
        if (m_responder) {
            replies = m_responder(d);
        }
        {
            std::lock_guard lock(m_mutex);
            m_received.push_back(d);
        }
        for (const auto& reply : replies) {
            ::sendto(socket, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&from),
                     sizeof from);
        }
    }
}

std::vector<Datagram> ScriptedDevice::received() const {
    std::lock_guard lock(m_mutex);
    return m_received;
}

namespace {

std::vector<char*> argvPointers(const std::vector<std::string>& argv) {
    std::vector<char*> out;
    for (const auto& a : argv) {
        out.push_back(const_cast<char*>(a.c_str()));
    }
    out.push_back(nullptr);
    return out;
}

int exitStatus(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : -1;
}

}  // namespace

ProcessResult runProcess(const std::vector<std::string>& argv) {
    ProcessResult result;
    int out[2];
    int err[2];
    if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) {
        return result;
    }
    auto args = argvPointers(argv);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::dup2(err[1], STDERR_FILENO);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(out[1]);
    ::close(err[1]);
    std::array<pollfd, 2> fds{{{out[0], POLLIN, 0}, {err[0], POLLIN, 0}}};
    std::array<std::string*, 2> sinks{&result.out, &result.err};
    int open = 2;
    while (open > 0 && ::poll(fds.data(), fds.size(), -1) > 0) {
        for (std::size_t i = 0; i < fds.size(); ++i) {
            if (fds[i].fd >= 0 && fds[i].revents != 0) {
                char chunk[4096];
                const ssize_t n = ::read(fds[i].fd, chunk, sizeof chunk);
                if (n <= 0) {
                    ::close(fds[i].fd);
                    fds[i].fd = -1;
                    --open;
                } else {
                    sinks[i]->append(chunk, static_cast<std::size_t>(n));
                }
            }
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.status = exitStatus(status);
    return result;
}

BackgroundProcess::BackgroundProcess(const std::string& segmentNamespace,
                                     const std::vector<std::string>& argv,
                                     const std::string& readyWord) {
    std::vector<std::string> full{"ip", "netns", "exec", segmentNamespace};
    full.insert(full.end(), argv.begin(), argv.end());
    auto args = argvPointers(full);
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        return;
    }
    m_pid = ::fork();
    if (m_pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::execvp(args[0], args.data());
        ::_exit(127);
    }
    ::close(out[1]);
    m_output = out[0];
    std::string line;
    pollfd fd{m_output, POLLIN, 0};
    while (line.find('\n') == std::string::npos && ::poll(&fd, 1, 10000) == 1) {
        char chunk[256];
        const ssize_t n = ::read(m_output, chunk, sizeof chunk);
        if (n <= 0) {
            break;
        }
        line.append(chunk, static_cast<std::size_t>(n));
    }
    m_ready = line.rfind(readyWord, 0) == 0;
}

BackgroundProcess::~BackgroundProcess() {
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        int status = 0;
        ::waitpid(m_pid, &status, 0);
    }
    if (m_output >= 0) {
        ::close(m_output);
    }
}

bool labAddAddress(const std::string& segment, const std::string& address) {
    const std::string ns = labValue(("LAB_NS_" + segment).c_str());
    const std::string device = labValue(("LAB_DEVIF_" + segment).c_str());
    if (ns.empty() || device.empty()) {
        return false;
    }
    const ProcessResult r = runProcess(
        {"ip", "netns", "exec", ns, "ip", "addr", "replace", address + "/24", "dev", device});
    return r.status == 0;
}

std::string devsimPath() {
    return labValue("QUILLON_DEVSIM");
}

std::string cliPath() {
    return labValue("QUILLON_CLI");
}

std::string scratchFile(const std::string& stem) {
    static std::atomic<int> counter{0};
    const std::string dir = labValue("LAB_DIR").empty() ? "/tmp" : labValue("LAB_DIR");
    return dir + "/" + stem + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

std::string writeScratchFile(const std::string& stem, const std::string& text) {
    const std::string path = scratchFile(stem);
    std::ofstream(path) << text;
    return path;
}

std::string readFile(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<LoggedMessage> readDevsimLog(const std::string& path, const std::string& kind) {
    std::vector<LoggedMessage> found;
    std::istringstream lines(readFile(path));
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        LoggedMessage m;
        std::string peer;
        std::size_t length = 0;
        if (!(words >> m.kind >> peer >> length) || m.kind != kind) {
            continue;
        }
        const auto colon = peer.find(':');
        m.peerAddress = peer.substr(0, colon);
        m.peerPort = colon == std::string::npos
                         ? 0
                         : static_cast<std::uint16_t>(std::atoi(peer.c_str() + colon + 1));
        for (std::string hex; words >> hex;) {
            m.bytes.push_back(static_cast<std::uint8_t>(std::stoul(hex, nullptr, 16)));
        }
        found.push_back(std::move(m));
    }
    return found;
}

std::vector<std::uint8_t> makeRecord(const std::string& mac, const std::string& name,
                                     std::uint8_t capabilityBits, std::uint8_t netState) {
    std::vector<std::uint8_t> r(DEVICE_RECORD_SIZE, 0);
    const auto head =
        FrameHeader{.length = DEVICE_RECORD_SIZE - FRAME_HEADER_SIZE, .command = CMD_NETWORK}
            .Encode();
    std::copy(head.begin(), head.end(), r.begin());
    const auto put = [&](std::size_t offset, std::size_t width, const std::string& text) {
        std::copy_n(text.begin(), std::min(text.size(), width - 1), r.begin() + offset);
    };
    put(record::NAME, record::NAME_WIDTH, name);
    put(record::MAC, record::ADDRESS_WIDTH, mac);
    put(record::IP, record::ADDRESS_WIDTH, "10.77.1.50");
    r[record::CAPABILITY_BITS] = capabilityBits;
    r[record::NET_STATE] = netState;
    PutU16(r, record::WEB_PORT, 80);
    return r;
}

}  // namespace quillon::lab
