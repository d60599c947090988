// A catalogue served on loopback, a throw-away prefix and the recorder, for
// tests of the document and its workflow. Installers are small shell scripts
// that append "<name> args=[...] cwd=<folder>" to one record file.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/update_doc.h"
#include "support/commands.h"
#include "testkit/desktop_recorder.h"
#include "testkit/host.h"
#include "testkit/loopback_server.h"
#include "testkit/temp_prefix.h"
#include "testkit/wait_until.h"
#include "xml/xml_var.h"

struct CatalogueItem {
  std::string description;
  std::string href;  // relative to the server unless it has a scheme
  std::string size = "1";
  std::string info = "item.txt";
  std::string fields{};  // more fields, as XML, after the others
};

class CatalogueTest : public ::testing::Test {
 protected:
  CatalogueTest() {
    SetEnvironment("OSTREL_CATALOGUE_URL", server.BaseUrl().c_str());
    SetEnvironment("OSTREL_RESELLER_CATALOGUE_URL", server.BaseUrl().c_str());
    m_record = (prefix.Root() / "installs.txt").string();
  }
  ~CatalogueTest() override {
    UnsetEnvironment("OSTREL_CATALOGUE_URL");
    UnsetEnvironment("OSTREL_RESELLER_CATALOGUE_URL");
  }

  std::string Href(const std::string& href) const {
    return href.find("://") != std::string::npos || href.rfind("file::", 0) == 0 ? href
                                                                                 : server.Url(href);
  }

  void Publish(const std::vector<CatalogueItem>& items, const std::string& extra = "") {
    std::string xml = "<?xml version=\"1.0\"?>\r\n<Catalogue>\r\n<Downloads>\r\n";
    for (const auto& item : items) {
      xml += "<Item><Description>" + item.description + "</Description><href>" + Href(item.href) +
             "</href><Size>" + item.size + "</Size><Info>" + item.info + "</Info>" + item.fields +
             "</Item>\r\n";
    }
    xml += "</Downloads>\r\n" + extra + "</Catalogue>\r\n";
    server.AddFile("download.xml", xml);
  }

  // An installer on the server that records how it was started.
  void PublishInstaller(const std::string& path) { server.AddFile(path, InstallerScript(path)); }

  std::string InstallerScript(const std::string& name) const {
    return "#!/bin/sh\necho \"" + name.substr(name.find_last_of('/') + 1) +
           " args=[$*] cwd=$(pwd)\" >> '" + m_record + "'\n";
  }

  std::vector<std::string> Records() const {
    std::ifstream in(m_record);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
      lines.push_back(line);
    return lines;
  }

  // Installers started without waiting append their lines a little later.
  std::vector<std::string> WaitForRecords(std::size_t count) const {
    WaitUntil([&] { return Records().size() >= count; }, std::chrono::seconds(5));
    return Records();
  }

  // Plays the main window's message loop: posted commands go to the document
  // until the workflow rests. False when it does not rest within 20 s.
  // `eachTurn` looks at the document between turns.
  bool RunUntilIdle(const std::function<void()>& eachTurn = {}) {
    return WaitUntil(
        [&] {
          if (eachTurn)
            eachTurn();
          const auto posted = desktop.TakePostedCommands();
          for (int command : posted) {
            if (command == cmd::kCloseMainWindow)
              closeRequests++;
            else
              doc.OnCommand(command);
          }
          return posted.empty() && doc.Idle();
        },
        std::chrono::seconds(20));
  }

  CXMLVar* Item(std::size_t index) const {
    std::size_t i = 0;
    for (CXMLVar* item : doc.Downloads()->Children()) {
      if (i++ == index)
        return item;
    }
    return nullptr;
  }

  std::vector<std::string> ItemDescriptions() const {
    std::vector<std::string> names;
    for (CXMLVar* item : doc.Downloads()->Children()) {
      names.push_back(item->ChildValue("Description"));
    }
    return names;
  }

  std::string Folder(const std::string& windowsPath) const {
    return std::filesystem::canonical(prefix.Host(windowsPath)).string();
  }

  TempPrefix prefix;
  DesktopRecorder desktop;
  LoopbackServer server;
  CUpdateDoc doc;
  int closeRequests = 0;

 private:
  std::string m_record;
};
