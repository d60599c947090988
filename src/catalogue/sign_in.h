// A request that may have to sign in: one prompt, and one retry, for each
// kind of challenge it meets, a server's 401 or a proxy's 407.
//
// The prompt is the system's own sign-in dialog where the desktop shows one
// (Desktop::SignInWithSystemDialog: the Windows program, whose Internet
// functions keep what the user gives on the request), otherwise the
// desktop's credential prompt (Desktop::AskCredentials), naming the server,
// or the proxy as "the proxy host:port". Credentials for a server go to the
// URL that asked, at that server only; credentials for the proxy go to the
// proxy only. A challenge that comes back after its retry is final.
//
// Threads: whichever runs the transfer (the UI thread or the download worker).
#pragma once

#include <atomic>

#include "platform/http.h"

enum class SignInOutcome {
  kNone,       // no prompt was needed, or the prompts were answered
  kRefused,    // the user cancelled, or the server or proxy refused again
  kAbandoned,  // `abandon` was set meanwhile
};

struct SignedInAnswer {
  platform::HttpAnswer answer;
  SignInOutcome outcome = SignInOutcome::kNone;
};

// Gets `request` on `session`, signing in as above; `request` ends holding
// what the last Get was given.
SignedInAnswer GetSigningIn(platform::HttpSession& session, platform::HttpRequest& request,
                            platform::DownloadSink& sink, const std::atomic<bool>* abandon);
