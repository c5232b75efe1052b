#pragma once

#include <pwd.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "SshTestServer.h"
#include "TempDir.h"

namespace lexmill::test {

// Debian's vsftpd on 127.0.0.1 with FTP with TLS required and its default
// require_ssl_reuse=YES, for an anonymous user who may upload, rename and
// delete in "up". It changes root into the folder it serves, so it runs only
// as root (as CI does) and with the "ftp" user its package makes.
struct VsftpdTestServer {
    explicit VsftpdTestServer(const std::string& cert) {
        const passwd* ftp = ::getpwnam("ftp");
        if (::geteuid() != 0 || !ftp || ::access("/usr/sbin/vsftpd", X_OK) != 0) return;
        std::filesystem::create_directories(home() + "/up");
        std::filesystem::create_directories(dir_.file("empty"));
        std::filesystem::permissions(dir_.path(), std::filesystem::perms(0755));
        if (::chown((home() + "/up").c_str(), ftp->pw_uid, ftp->pw_gid) != 0) return;
        const int free = SshTestServer::Socket(0, true);
        std::ofstream(dir_.file("vsftpd.conf"))
            << "listen=YES\nlisten_address=127.0.0.1\nlisten_port=" << free
            << "\nbackground=NO\nanonymous_enable=YES\nlocal_enable=NO\nwrite_enable=YES"
               "\nanon_upload_enable=YES\nanon_mkdir_write_enable=YES\nanon_other_write_enable=YES"
               "\nftp_username=ftp\nanon_root="
            << home() << "\nsecure_chroot_dir=" << dir_.file("empty")
            << "\nseccomp_sandbox=NO\nssl_enable=YES\nallow_anon_ssl=YES\nforce_anon_logins_ssl=YES"
               "\nforce_anon_data_ssl=YES\nrequire_ssl_reuse=YES\nrsa_cert_file="
            << cert << "\nvsftpd_log_file=" << dir_.file("vsftpd.log") << "\n";
        pid_ = ::fork();
        if (pid_ == 0) {
            ::execl("/usr/sbin/vsftpd", "/usr/sbin/vsftpd", dir_.file("vsftpd.conf").c_str(),
                    nullptr);
            ::_exit(127);
        }
        for (int i = 0; i < 100 && !SshTestServer::Socket(free, false); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (SshTestServer::Socket(free, false)) port = free;
    }
    ~VsftpdTestServer() {
        if (pid_ > 0) ::kill(pid_, SIGTERM), ::waitpid(pid_, nullptr, 0);
    }
    std::string home() const { return dir_.file("home"); }  // "/" on the server

    TempDir dir_;
    int port = 0;
    pid_t pid_ = -1;
};

}  // namespace lexmill::test
