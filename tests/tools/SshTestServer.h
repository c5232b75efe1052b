#pragma once

#include <arpa/inet.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <thread>

#include "TempDir.h"

namespace lexmill::test {

// OpenSSH's sshd on 127.0.0.1 with a config, host key and authorised key of
// its own, serving SFTP to the user running the tests. HOME is set to a
// folder of the test holding that user's key (~/.ssh/id_ed25519), so the
// real ~/.ssh is never read or written.
struct SshTestServer {
    SshTestServer() {
        home = dir_.file("home");
        ::setenv("HOME", home.c_str(), 1);
        const std::string ssh = home + "/.ssh";
        std::filesystem::create_directories(ssh);
        std::filesystem::create_directories(dir_.file("root/up"));
        for (const std::string& key : {dir_.file("host_key"), ssh + "/id_ed25519"})
            Run("ssh-keygen -q -t ed25519 -N '' -f " + key);
        std::filesystem::copy_file(ssh + "/id_ed25519.pub", dir_.file("authorized_keys"));
        port = FreePort();
        std::ofstream(dir_.file("sshd_config"))
            << "Port " << port << "\nListenAddress 127.0.0.1\nHostKey " << dir_.file("host_key")
            << "\nAuthorizedKeysFile " << dir_.file("authorized_keys")
            << "\nStrictModes no\nUsePAM no\nPermitRootLogin yes\nSubsystem sftp internal-sftp"
            << "\nPidFile " << dir_.file("sshd.pid") << "\n";
        std::filesystem::create_directories("/run/sshd");
        pid_ = ::fork();
        if (pid_ == 0) {
            ::execl("/usr/sbin/sshd", "/usr/sbin/sshd", "-D", "-f",
                    dir_.file("sshd_config").c_str(), "-E", dir_.file("sshd.log").c_str(), nullptr);
            ::_exit(127);
        }
        for (int i = 0; i < 100 && !Listening(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!Listening()) port = 0;
    }
    ~SshTestServer() {
        if (pid_ > 0) ::kill(pid_, SIGTERM), ::waitpid(pid_, nullptr, 0);
    }
    // Where uploads go: a folder with "up" in it.
    std::string root() const { return dir_.file("root"); }
    // The known_hosts line of the server's key, or of a new one.
    std::string KnownHost(bool other = false) const {
        std::string key = dir_.file("host_key.pub");
        if (other) Run("ssh-keygen -q -t ed25519 -N '' -f " + (key = dir_.file("other")));
        std::ifstream in(other ? key + ".pub" : key);
        std::string type, blob;
        in >> type >> blob;
        return "[127.0.0.1]:" + std::to_string(port) + " " + type + " " + blob + "\n";
    }
    // As `ssh-keygen -l` prints it.
    std::string Fingerprint() const {
        FILE* out = ::popen(("ssh-keygen -l -f " + dir_.file("host_key.pub")).c_str(), "r");
        char bits[16] = {}, print[128] = {};
        if (out && std::fscanf(out, "%15s %127s", bits, print) != 2) print[0] = '\0';
        if (out) ::pclose(out);
        return print;
    }

    static void Run(const std::string& command) {
        if (std::system((command + " </dev/null >/dev/null 2>&1").c_str()) != 0) std::abort();
    }
    // Binding port 0 gives a free port; connecting tells sshd is up.
    static int Socket(int p, bool bind) {
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{AF_INET, htons(static_cast<uint16_t>(p)), {htonl(INADDR_LOOPBACK)}, {}};
        socklen_t size = sizeof a;
        auto* address = reinterpret_cast<sockaddr*>(&a);
        const int ok = bind ? ::bind(s, address, size) || ::getsockname(s, address, &size)
                            : ::connect(s, address, size);
        ::close(s);
        return ok == 0 ? ntohs(a.sin_port) : 0;
    }
    int FreePort() const { return Socket(0, true); }
    bool Listening() const { return Socket(port, false) != 0; }

    TempDir dir_;
    std::string home;
    int port = 0;
    pid_t pid_ = -1;
};

}  // namespace lexmill::test

#define START_SSH_SERVER(name)           \
    ::lexmill::test::SshTestServer name; \
    if (name.port <= 0) GTEST_SKIP() << "sshd did not start (openssh-server?)"
