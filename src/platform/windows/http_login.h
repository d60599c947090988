// The Authorization line that answers a server's 401, worked out here rather
// than left to WinINet, whose Wine twin knows no Digest: Digest (MD5, with or
// without qop=auth) where the server offers it, else Basic, as the libcurl
// build chooses. Other schemes (NTLM, Negotiate) are left to the system.
// Pure functions but for the client nonce; any thread.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/http.h"

namespace platform {

// "Basic <base64 of user:password>", the value of an Authorization line.
std::string BasicAuthorization(const HttpCredentials& credentials);

// The value of the Authorization line answering `challenges` (the values of
// the 401's WWW-Authenticate lines) for a GET of `uri` (path and query);
// nullopt when none of them is Digest or Basic.
std::optional<std::string> AuthorizationFor(const std::vector<std::string>& challenges,
                                            const HttpCredentials& credentials,
                                            std::string_view uri);

}  // namespace platform
