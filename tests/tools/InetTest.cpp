// The transfer component's failures, against a real FTP server on 127.0.0.1.
#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "FtpConnections.h"
#include "FtpTestServer.h"
#include "Inet.h"
#include "InetAddress.h"
#include "SettingsFile.h"
#include "SshTestServer.h"
#include "VsftpdTestServer.h"

using namespace lexmill;
using namespace lexmill::test;

// One error with the reason (the server's reply where there is one), nothing
// sent after; line breaks, which would smuggle in commands, fail at once.
TEST(Inet, EveryFailureRaisesOneErrorWithTheReason) {
    START_SERVER(server);
    TempDir local;
    const std::string file = local.write("f.txt", "data"), user = "lexmill", pw = "s3cret pass";
    const std::array<std::string, 7> cases[] = {
        // port, user, password, remote folder, local file, remote name, in the reason
        {"", user, "wrong", "/up", file, "f.txt", "530"},
        {"", user, pw, "/missing", file, "f.txt",
         "The remote folder /missing does not exist on 127.0.0.1: 550 "},
        {"", user, pw, "/ro", file, "f.txt", "The server refused to store f.txt in /ro.\n"},
        {"closed", user, pw, "/up", file, "f.txt", "onnect"},
        {"silent", user, pw, "/up", file, "f.txt", "timed out"},
        {"", user, pw, "/up\r\nDELE f.txt", file, "f.txt", ""},
        {"", user, pw, "/up", file, "f.txt\nDELE f.txt", ""},
        {"", user + "\r\nDELE f.txt", pw, "/up", file, "f.txt", ""},
        {"", user, pw, "/up", local.file("gone.txt"), "gone.txt", "gone.txt"}};
    for (const auto& [port, name, password, folder, path, remote, reason] : cases) {
        SCOPED_TRACE(port + name + password + folder + remote);
        Inet inet;
        std::vector<std::int16_t> states;
        inet.setWakeUp([] {});
        inet.StateChanged = [&](std::int16_t state) { states.push_back(state); };
        inet.setURL("ftp://127.0.0.1");
        inet.setRemotePort(port == "closed"   ? server.closedPort
                           : port == "silent" ? server.silentPort
                                              : server.port);
        inet.setUserName(name);
        inet.setPassword(password);
        inet.setConnectTimeout(std::chrono::seconds(port == "silent" ? 1 : 30));
        const auto errors = [&](bool started) {  // once the operation is over
            while (started && inet.StillExecuting()) {
                inet.DeliverEvents();
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            return std::count(states.begin(), states.end(), Inet::icError);
        };
        if (errors(inet.ExecuteCd(folder)) == 0) errors(inet.ExecutePut(path, remote));
        EXPECT_EQ(errors(false), 1);
        EXPECT_NE(inet.ResponseText().find(reason), std::string::npos) << inet.ResponseText();
    }
    EXPECT_EQ(server.count("STOR") + server.count("DELE"), 1);  // into "ro", refused
}

// Each protocol sends byte for byte, into folders made on the way, under a
// temporary name renamed over the file already there (SFTP's rename takes no
// existing name: the later rows replace f.bin). A server not trusted, or a
// log-in refused, fails with the reason; an unknown certificate or host key
// is named so that the user can decide; a key the user accepted is added to
// known_hosts. A server that stops reading fails the upload once nothing
// moved for the stall time, and one that refuses the rename fails it: either
// way the earlier file stays, and no temporary file where it can go.
TEST(Inet, UploadsOverEachProtocolTrustingOnlyWhatItShould) {
    TempDir local;
    std::string print;
    const std::string cert = FtpTestServer::Certificate(local, "cert.pem", &print);
    START_SERVER(ftp);
    START_SERVER(ftps, 0, cert);
    START_SERVER(stalled, -1);
    START_SSH_SERVER(ssh);
    ::unsetenv("SSH_AUTH_SOCK");  // the log-in messages tell whether an agent was asked
    std::string lower = print;
    lower.erase(std::remove(lower.begin(), lower.end(), ':'), lower.end());
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    const std::string bytes(3 << 20, '\x9c'), file = local.write("f.bin", bytes),
                                              big = local.write("big", std::string(64 << 20, 0));
    const std::string pw = FtpTestServer::kPassword, known = ssh.KnownHost(),
                      knownHosts = ssh.home + "/.ssh/known_hosts", other = ssh.KnownHost(true),
                      otherKey = other.substr(other.find(' ')),
                      at = known.substr(0, known.find(' '));
    const std::array<std::string, 5> cases[] = {
        // protocol, password, pinned certificate or known_hosts, remote name, reason ("": sent)
        {"FTP", pw, "", "pages/sub/f.bin", ""},
        {"FTP with TLS", pw, print, "f.bin", ""},
        {"FTP with TLS", pw, "", "f.bin", "could not be verified.\nSubject: CN=127.0.0.1"},
        {"FTP with TLS", pw, lower.substr(0, 32) + " " + lower.substr(32), "f.bin", ""},
        {"FTP with TLS", pw, "00:11", "f.bin", "it has 4 hex digits, not 64."},
        {"FTP with TLS", pw, std::string(32, 'A') + std::string(32, 'b'), "f.bin", "has changed"},
        {"FTP with TLS", "wrong", print, "f.bin", "530"},
        {"SFTP", "", known, "a/b/f.bin", ""},
        {"SFTP", "", "", "f.bin", "ED25519 key fingerprint:\n" + ssh.Fingerprint()},
        {"SFTP", "", "accept", "f.bin", ""},  // written with its port
        {"SFTP", "", "kept", "f.bin", ""},    // as the row above added it
        {"SFTP", "", "hashed", "f.bin", ""},  // by ssh-keygen -H
        // Other keys of the host on port 22 and on another port: this one is unknown.
        {"SFTP", "", "127.0.0.1" + otherKey + "[127.0.0.1]:1" + otherKey, "f.bin",
         "The host key of 127.0.0.1, port " + std::to_string(ssh.port) + ", is not known."},
        {"SFTP", "", "!" + at + ",[127.0.0.1]:*" + otherKey, "f.bin", "is not known."},
        {"SFTP", "", "[127.0.0.1]:*" + otherKey, "f.bin", "has changed"},
        {"SFTP", "", other, "f.bin", "has changed"},
        {"SFTP", "wrong", known, "f.bin", "The server refused the password for user "},
        {"SFTP", "stranger", known, "f.bin",
         "did not accept the SSH keys of user root: ~/.ssh/id_ed25519; no SSH agent is running."},
        {"SFTP", "locked", known, "f.bin",
         "The key ~/.ssh/id_ed25519 needs its passphrase, and no SSH agent is running"},
        {"FTP", pw, "", "keep/f.bin",
         "The server refused to rename /up/keep/.f.bin.lexmill-"},  // and cannot delete
        {"stalled", pw, "", "big", "The transfer stalled: nothing moved for 1 seconds."}};
    for (const auto& [protocol, password, trust, remote, reason] : cases) {
        SCOPED_TRACE(protocol + " " + password + " " + trust);
        const bool sftp = protocol == "SFTP", tls = protocol == "FTP with TLS";
        if (trust != "kept")
            std::ofstream(knownHosts) << (trust == "hashed"           ? known
                                          : sftp && trust != "accept" ? trust
                                                                      : "");
        if (trust == "hashed") SshTestServer::Run("ssh-keygen -H -f " + knownHosts);
        // A key the server does not know, or one locked by a passphrase.
        const std::string key = ssh.home + "/.ssh/id_ed25519";
        const bool ownKey = password != "stranger" && password != "locked";
        if (!ownKey) {
            std::filesystem::rename(key, key + ".own");
            SshTestServer::Run("ssh-keygen -q -t ed25519 -N '" +
                               std::string(password == "locked" ? "secret" : "") + "' -f " + key);
        }
        const std::string home = sftp ? ssh.root() : tls ? ftps.home() : ftp.home();
        if (protocol == "stalled") std::ofstream(stalled.home() + "/up/big") << "earlier";
        if (remote == "keep/f.bin") std::ofstream(home + "/up/keep/f.bin") << "earlier";
        Inet inet(std::chrono::seconds(protocol == "stalled" ? 1 : 60));
        int errors = 0;
        inet.setWakeUp([] {});
        inet.StateChanged = [&](std::int16_t state) { errors += state == Inet::icError; };
        inet.setProtocol(sftp ? Inet::icSFTP : tls ? Inet::icFTPTLS : Inet::icFTP);
        inet.setURL("ftp://127.0.0.1");
        inet.setRemotePort(sftp                ? ssh.port
                           : tls               ? ftps.port
                           : protocol == "FTP" ? ftp.port
                                               : stalled.port);
        inet.setUserName(sftp ? ::getenv("USER") ? ::getenv("USER") : "root" : "lexmill");
        inet.setPassword(ownKey ? password : "");
        if (tls) inet.setPinnedCertificate(trust);
        if (trust == "accept") inet.setAcceptedHostKey(ssh.Fingerprint());
        const auto finish = [&](bool started) {
            while (started && inet.StillExecuting()) {
                inet.DeliverEvents();
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            return errors == 0;
        };
        const std::string folder = sftp ? ssh.root() + "/up" : "/up";
        if (finish(inet.ExecuteCd(folder)) &&
            finish(inet.ExecutePut(remote == "big" ? big : file, remote)))
            finish(inet.ExecuteClose());
        if (!ownKey) std::filesystem::rename(key + ".own", key);
        EXPECT_EQ(errors, !reason.empty());
        EXPECT_NE(inet.ResponseText().find(reason), std::string::npos) << inet.ResponseText();
        const std::string at = protocol == "stalled" ? stalled.home() : home;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(at + "/up"))
            EXPECT_TRUE(entry.path().filename().string().find(".lexmill-") == std::string::npos ||
                        remote == "keep/f.bin")
                << entry.path();
        if (remote == "big" || remote == "keep/f.bin") {
            EXPECT_EQ(readFile(at + "/up/" + remote), "earlier");
        }
        if (!reason.empty()) continue;
        EXPECT_EQ(readFile(home + "/up/" + remote), bytes);
        EXPECT_EQ(inet.BytesSent(), bytes.size());
        if (trust == "accept" || trust == "hashed") {
            EXPECT_EQ(readFile(knownHosts).starts_with("|1|") ? "hashed" : readFile(knownHosts),
                      trust == "accept" ? known : trust);
        }
    }
}

// A server that takes a data connection only when it resumes the log-in's
// TLS session (vsftpd's default) takes any number of files, large and small,
// on one connection, run after run.
TEST(Inet, EveryFileArrivesWhereTheServerRequiresSessionReuse) {
    TempDir local;
    std::string print;
    const std::string cert = FtpTestServer::Certificate(local, "cert.pem", &print);
    VsftpdTestServer server(cert);
    if (server.port <= 0) GTEST_SKIP() << "vsftpd runs only as root, and needs Debian's vsftpd";
    const std::pair<std::string, std::string> files[] = {{"a.txt", "one"},
                                                         {"empty", ""},
                                                         {"big.bin", std::string(4 << 20, '\xe9')},
                                                         {"b.txt", "two"},
                                                         {"c.txt", "three"}};
    for (int run = 0; run < 3; ++run) {
        Inet inet;
        std::vector<std::string> errors;
        inet.setWakeUp([] {});
        inet.StateChanged = [&](std::int16_t state) {
            if (state == Inet::icError) errors.push_back(inet.ResponseText());
        };
        inet.setProtocol(Inet::icFTPTLS);
        inet.setURL("ftp://127.0.0.1");
        inet.setRemotePort(server.port);
        inet.setUserName("anonymous");
        inet.setPassword("lexmill");
        inet.setPinnedCertificate(print);
        const auto finish = [&](bool started) {
            while (started && inet.StillExecuting()) {
                inet.DeliverEvents();
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
            return errors.empty();
        };
        finish(inet.ExecuteCd("/up"));
        for (std::size_t i = 0; i < std::size(files) && errors.empty(); ++i) {
            const auto& [name, bytes] = files[(i + run) % std::size(files)];
            finish(inet.ExecutePut(local.write(name, bytes), name));
        }
        finish(inet.ExecuteClose());
        EXPECT_EQ(errors, std::vector<std::string>()) << "run " << run;
        for (const auto& [name, bytes] : files)
            EXPECT_EQ(readFile(server.home() + "/up/" + name), bytes);
    }
}

// lexmill-batch --upload through stored connections: every file on one
// connection, or the failure; it never asks about an unknown host key but
// names --trust, which trusts it with the server's own fingerprint only. A
// missing remote folder is refused, or made with --create-dirs.
TEST(Inet, LexmillBatchUploadsThroughAStoredConnection) {
    TempDir local;
    std::string print;
    const std::string cert = FtpTestServer::Certificate(local, "cert.pem", &print);
    START_SERVER(ftps, 0, cert);
    START_SSH_SERVER(ssh);
    ::setenv("XDG_CONFIG_HOME", local.path().c_str(), 1);
    FtpConnections stored(settingsFileIn(local.path()));
    stored.Add("tls");
    stored.Store("tls", {"127.0.0.1", "lexmill", FtpTestServer::kPassword, "/up",
                         std::to_string(ftps.port), "FTP with TLS", ""});
    stored.SetPinnedCertificate("tls", print);
    stored.Add("tls new");
    stored.Store("tls new", {"127.0.0.1", "lexmill", FtpTestServer::kPassword, "/up/made/here",
                             std::to_string(ftps.port), "FTP with TLS", ""});
    for (const std::string folder : {"/up", "/new/deep"}) {
        stored.Add("ssh" + folder);
        stored.Store("ssh" + folder, {"127.0.0.1:" + std::to_string(ssh.port), "root", "",
                                      ssh.root() + folder, "", "SFTP", ""});
    }
    std::string lower = print;
    lower.erase(std::remove(lower.begin(), lower.end(), ':'), lower.end());
    std::transform(lower.begin(), lower.end(), lower.begin(), ::tolower);
    const std::string a = local.write("a b.txt", "one"), b = local.write("b.bin", "two");
    const std::tuple<std::string, int, std::string> cases[] = {
        {"--upload tls '" + a + "' " + b, 0, a + "\n" + b + "\nUpload complete. 2 files sent.\n"},
        {"--upload ssh/up '" + a + "'", 1,
         "key fingerprint:\n" + ssh.Fingerprint() +
             "\nTo trust it, run:\nlexmill-batch --trust "
             "ssh/up\n"},
        {"--trust ssh/up </dev/null", 1, "no terminal to ask on"},
        {"--trust ssh/up --fingerprint SHA256:x", 1, "not the server's; nothing was stored."},
        {"--trust ssh/up --fingerprint " + ssh.Fingerprint(), 0, "is now in ~/.ssh/known_hosts"},
        {"--upload ssh/new/deep '" + a + "'", 1,
         "The remote folder " + ssh.root() +
             "/new/deep does not exist on 127.0.0.1: No such file or directory.\n"
             "To create it, add --create-dirs.\n0 of 1 file arrived."},
        {"--upload ssh/new/deep --create-dirs '" + a + "'", 0, "Upload complete. 1 file sent."},
        {"--upload 'tls new' --create-dirs " + b, 1, "--trust 'tls new'"},
        {"--trust 'tls new' --fingerprint " + lower.substr(2), 1, "it has 62 hex digits"},
        {"--trust 'tls new' --fingerprint '" + lower + "'", 0, "is now trusted for \"tls new\""},
        {"--upload 'tls new' --create-dirs " + b, 0, "Upload complete. 1 file sent."},
        {"--upload nobody '" + a + "'", 2, "no stored connection is named \"nobody\""},
        {"--upload tls '" + a + "' " + local.write("a_b.txt", "lost"), 2,
         "would both be sent as \"a_b.txt\""}};
    for (const auto& [args, status, shown] : cases) {
        FILE* out = ::popen((LEXMILL_BATCH " " + args + " 2>&1").c_str(), "r");
        std::string text(4096, '\0');
        text.resize(std::fread(text.data(), 1, text.size(), out));
        EXPECT_EQ(WEXITSTATUS(::pclose(out)), status) << text;
        EXPECT_NE(text.find(shown), std::string::npos) << text;
    }
    EXPECT_EQ(readFile(ftps.home() + "/up/a_b.txt") + readFile(ftps.home() + "/up/b.bin"),
              "onetwo");
    EXPECT_EQ(
        readFile(ssh.root() + "/new/deep/a_b.txt") + readFile(ftps.home() + "/up/made/here/b.bin"),
        "onetwo");
}

// What the address box may hold: a host, maybe a port; a log-in, a folder or
// another scheme are refused before anything is sent.
TEST(InetAddress, TakesAHostAndAPortOnly) {
    const std::tuple<const char*, std::string, int> cases[] = {
        // "": refused
        {"ftp://example.org", "example.org", 21},
        {"FTP://example.org:2121/", "example.org", 2121},
        {"ftp://[::1]:65535", "[::1]", 65535},
        {"ftp://127.0.0.1:1", "127.0.0.1", 1},
        {"ftp://example.org:0", "", 0},
        {"ftp://example.org:65536", "", 0},
        {"ftp://me:pw@example.org", "", 0},
        {"ftp://example.org/up", "", 0},
        {"ftp://example.org/?x", "", 0},
        {"sftp://example.org", "", 0},
        {"example.org", "", 0},
        {"ftp://", "", 0},
        {"ftp://exa mple.org", "", 0},
        {"ftp://example.org\r\nDELE x", "", 0}};
    for (const auto& [url, host, port] : cases) {
        std::string why;
        const auto address = InetAddress::Parse(url, 21, &why);
        EXPECT_EQ(address ? address->host + ":" + std::to_string(address->port) : "",
                  host.empty() ? "" : host + ":" + std::to_string(port))
            << url;
        EXPECT_EQ(why.empty(), !host.empty()) << url << ": " << why;
    }
}
