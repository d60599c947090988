// Signing in over the Windows Internet functions.
//
// The system answers challenges itself (single sign-on, and what its own
// sign-in dialog, InternetErrorDlg, was given), but Wine's twin of it knows
// no Digest. So the Authorization line that answers a server's 401 with
// given credentials is worked out here: Digest (MD5, with or without
// qop=auth) where the server offers it, else Basic, as the libcurl build
// chooses; other schemes (NTLM, Negotiate) and every proxy's 407 are left to
// the system. The Authorization functions are pure but for the client
// nonce; any thread. The others take a request handle, on the thread that
// uses it or while that one waits.
#pragma once

#include <windows.h>
//
#include <wininet.h>

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

// The system's sign-in dialog for the challenge the request's answer holds
// (a 401 or a proxy's 407), owned by `owner` (none: the desktop): true when
// the user signed in and the system keeps the credentials on the request.
bool ShowSystemSignIn(HINTERNET request, HWND owner);

// The server credentials the request holds (what the dialog was given);
// nullopt when it holds none.
std::optional<HttpCredentials> CredentialsOnRequest(HINTERNET request);

// The proxy that requests of the session `internet` go through for http or
// https, "host:port", for a prompt; empty when the system does not say.
std::string ProxySiteOf(HINTERNET internet, bool secure);

}  // namespace platform
