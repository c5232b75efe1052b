// How SFTP logs in without a password, and what to say when a log-in fails.
#pragma once

#include <string>
#include <vector>

namespace lexmill {

// The key files an SFTP log-in without a password tries, in this order: those
// of ~/.ssh/id_ed25519, id_ecdsa and id_rsa that can be read.
std::vector<std::string> SshKeyFiles(const std::string& sshFolder);
// True when the private key file is kept encrypted under a passphrase.
bool NeedsPassphrase(const std::string& keyFile);
// True when SSH_AUTH_SOCK names a socket an agent listens on.
bool SshAgentRunning();

// Why the server turned the log-in down. `offered`: the methods it named
// ("publickey,password"), empty when unknown.
std::string SshLoginFailure(const std::string& userName, const std::string& offered,
                            bool withPassword, const std::vector<std::string>& keyFiles, bool agent,
                            const std::string& home);

}  // namespace lexmill
