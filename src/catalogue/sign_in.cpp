#include "catalogue/sign_in.h"

#include <optional>

#include "support/desktop.h"

namespace {

bool Abandoned(const std::atomic<bool>* abandon) {
  return abandon != nullptr && abandon->load();
}

bool IsChallenge(const platform::HttpAnswer& answer) {
  return answer.complete && (answer.status == 401 || answer.status == 407);
}

}  // namespace

SignedInAnswer GetSigningIn(platform::HttpSession& session, platform::HttpRequest& request,
                            platform::DownloadSink& sink, const std::atomic<bool>* abandon) {
  SignedInAnswer result{session.Get(request, sink)};
  bool askedServer = false;
  bool askedProxy = false;
  while (IsChallenge(result.answer)) {
    const platform::HttpAnswer& answer = result.answer;
    const bool proxy = answer.status == 407;
    bool& asked = proxy ? askedProxy : askedServer;
    if (asked) {
      result.outcome = SignInOutcome::kRefused;
      return result;
    }
    asked = true;
    if (Abandoned(abandon)) {
      result.outcome = SignInOutcome::kAbandoned;
      return result;
    }

    const std::optional<bool> bySystem = TheDesktop().SignInWithSystemDialog(
        [&session](void* window) { return session.SignInBySystem(window); });
    std::optional<Desktop::Credentials> given;
    if (!bySystem) {
      const std::string site = !proxy                     ? platform::SiteOf(answer.url)
                               : answer.proxySite.empty() ? std::string("the proxy")
                                                          : "the proxy " + answer.proxySite;
      given = TheDesktop().AskCredentials(site);
    }
    if (Abandoned(abandon)) {
      result.outcome = SignInOutcome::kAbandoned;
      return result;
    }
    if (bySystem ? !*bySystem : !given) {
      result.outcome = SignInOutcome::kRefused;
      return result;
    }

    request.signedInBySystem = bySystem.has_value();
    if (given && proxy) {
      request.proxyCredentials = platform::HttpCredentials{given->user, given->password};
      request.proxyAuthSchemes = answer.authSchemes;
    } else if (given) {
      // At the URL that asked, so that the credentials go to that server only.
      request.url = answer.url;
      request.credentials = platform::HttpCredentials{given->user, given->password};
      request.authSchemes = answer.authSchemes;
    }
    result.answer = session.Get(request, sink);
  }
  return result;
}
