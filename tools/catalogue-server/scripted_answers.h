// What the loopback server answers: the files under its root (GET and HEAD,
// no folder listings, nothing outside the root) and the scripted behaviours
// of the /-/ paths (see `catalogue-server --help`).
//
// Answer() is the server's only handler; it reads the request's target as it
// arrived from Connection::Current(), so that /-/ paths are taken as written.
// Thread-safe: each connection thread calls it for its own requests.
#pragma once

#include <httplib.h>

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <tuple>

#include "login.h"
#include "served_body.h"

class ScriptedAnswers {
 public:
  // `root` is the served folder, as a real path; `login`, when given, guards every path.
  ScriptedAnswers(std::filesystem::path root, std::unique_ptr<Login> login);

  void Answer(const httplib::Request& request, httplib::Response& response);

 private:
  // What the leading fault words of a path script for its body, and how many
  // answers to the same target came before this one.
  struct Script {
    std::size_t answerNumber = 0;
    BodyFaults faults;
  };

  void Dispatch(const std::string& path, const httplib::Request& request,
                httplib::Response& response, Script& script);
  bool LoggedIn(Login& login, const httplib::Request& request, httplib::Response& response);
  // The login of a /-/auth/ path; one for each scheme, user and password, so
  // that a Digest nonce given out by one request holds for the next.
  Login& LoginFor(Login::Scheme scheme, const std::string& user, const std::string& password);
  void ServeFile(std::string_view path, const httplib::Request& request,
                 httplib::Response& response, const Script& script) const;
  std::size_t NextAnswerNumber(const std::string& target);

  std::filesystem::path m_root;
  std::unique_ptr<Login> m_login;
  std::mutex m_loginsMutex;
  std::map<std::tuple<Login::Scheme, std::string, std::string>, std::unique_ptr<Login>> m_logins;
  std::mutex m_answersMutex;
  std::map<std::string, std::size_t> m_answers;  // answers so far, by request target
};
