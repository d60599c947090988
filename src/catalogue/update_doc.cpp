// The document's life and its catalogue: fetch, read, filter, brand.
#include "catalogue/update_doc.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "brand/brand_text.h"
#include "brand/skin.h"
#include "catalogue/document_transfer.h"
#include "catalogue/installer_runs.h"
#include "catalogue/server_urls.h"
#include "catalogue/signed_catalogue.h"
#include "catalogue/transfer_file.h"
#include "platform/host_path.h"
#include "support/commands.h"
#include "support/desktop.h"
#include "support/log.h"
#include "support/startup_trace.h"
#include "xml/text_input_file.h"
#include "xml/xml_var.h"

namespace {

constexpr const char* kCatalogueFile = "c:\\temp\\temp.xml";

// Items that a brand must not see: the parent of every element whose text
// names what the brand does not sell. The catalogue's own words decide,
// before the brand rewrite.
void BrandFilter(CXMLVar* element, void* context) {
  auto& dropped = *static_cast<std::vector<CXMLVar*>*>(context);
  if (element->Parent() == nullptr)
    return;
  const std::string skin = GetSkin();
  const bool hidden =
      (skin == "gresmo" && element->m_strValue.find("Payroll") != std::string::npos) ||
      (skin == "Corbain" && element->m_strValue.find("CIS") != std::string::npos);
  if (hidden)
    dropped.push_back(element->Parent());
}

// Every text rewritten for the brand; "link" elements keep their attributes,
// which point at the maker's own pages.
void BrandCatalogue(CXMLVar* element, void*) {
  // Some rewrites are not counted in BrandText's answer: compare instead.
  std::string text = element->m_strValue;
  BrandText(text);
  if (element->m_strValue != text)
    element->m_strValue = text;
  if (element->m_strName == "link")
    return;
  for (auto& [name, value] : element->m_Attributes) {
    std::string rewritten = value;
    if (BrandText(rewritten))
      value = rewritten;
  }
}

}  // namespace

CUpdateDoc::CUpdateDoc()
    : m_pTransfer(std::make_unique<Transfer>()), m_pInstallers(std::make_unique<Installers>()) {}

CUpdateDoc::~CUpdateDoc() {
  AbandonTransfer();
}

void CUpdateDoc::WaitForTransfer() {
  m_pTransfer->worker.Join();
}

void CUpdateDoc::AbandonTransfer() {
  m_pTransfer->worker.Abandon();
}

void CUpdateDoc::LoadCatalogue() {
  Log("connecting...");
  m_strTitle = "Ostrel";
  BrandText(m_strTitle);

  // A failed fetch has told the user already; an earlier run's file must not
  // then pass for today's catalogue. A refused one is not kept either.
  const TransferBounds bounds = TransferBounds::ForCatalogue();
  const auto deadline =
      std::chrono::steady_clock::now() + std::chrono::seconds(bounds.deadlineSeconds);
  const std::string url = ServerBaseUrl() + "download.xml";
  bool fetched = TransferFile(url, kCatalogueFile, nullptr, nullptr, bounds);
  TraceStartup("catalogue fetched");
  // The file is read once: the reader gets the very bytes that were judged,
  // whatever another program does to the file meanwhile.
  std::string bytes;
  if (fetched) {
    {
      // Closed before it is judged: Windows cannot remove a file still open.
      std::ifstream file(platform::HostPath(kCatalogueFile), std::ios::binary);
      bytes.assign(std::istreambuf_iterator<char>(file), {});
    }
    const CatalogueAcceptance acceptance = AcceptCatalogue(url, bytes, deadline);
    TraceStartup("catalogue judged");
    m_bDigestsRequired = acceptance.digestsRequired;
    if (!acceptance.accepted) {
      std::error_code ignored;
      std::filesystem::remove(platform::HostPath(kCatalogueFile), ignored);
      fetched = false;
    }
  }

  auto document = std::make_unique<CXMLVar>("");
  if (fetched) {
    TextInputFile in(TextInputFile::Contents{bytes});
    document->ParseDocument(in);
  }
  m_Catalogues.push_back(document->GetChild("Downloads")->Clone());
  m_pDownloads = m_Catalogues.back().get();
  document.reset();
  TraceStartup("catalogue read");

  if (m_pDownloads->Children().empty())
    return;

  std::vector<CXMLVar*> dropped;
  m_pDownloads->Traverse(BrandFilter, &dropped, false);
  CXMLVar::DeleteNodes(dropped);
  m_pDownloads->Traverse(BrandCatalogue, nullptr, false);
  TraceStartup("catalogue filtered and branded");

  TheDesktop().UpdateAllViews(cmd::kHintCatalogue);
}

bool CUpdateDoc::OnCommand(int commandId) {
  switch (commandId) {
    case cmd::kComplete:
      OnComplete();
      return true;
    case cmd::kInstallerEnded:
      OnInstallerEnded();
      return true;
    case cmd::kReloadCatalogue:
      LoadCatalogue();
      return true;
    default:
      return false;
  }
}
