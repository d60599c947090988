// The document's life and its catalogue: fetch, read, filter, brand.
#include "catalogue/update_doc.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

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

// Skins that do not sell every program: they see no item whose text names
// what they don't sell.
bool SkinHidesItems(const std::string& skin) {
  return skin == "gresmo" || skin == "Corbain";
}

struct BrandFilterWalk {
  std::string skin;
  std::vector<CXMLVar*> dropped;
};

// Items that a brand must not see: the parent of every element whose text
// names what the brand does not sell. The catalogue's own words decide,
// before the brand rewrite.
void BrandFilter(CXMLVar* element, void* context) {
  auto& walk = *static_cast<BrandFilterWalk*>(context);
  if (element->Parent() == nullptr)
    return;
  const bool hidden =
      (walk.skin == "gresmo" && element->m_strValue.find("Payroll") != std::string::npos) ||
      (walk.skin == "Corbain" && element->m_strValue.find("CIS") != std::string::npos);
  if (hidden)
    walk.dropped.push_back(element->Parent());
}

// Every text rewritten for the brand (the skin is the context); "link"
// elements keep their attributes, which point at the maker's own pages.
void BrandCatalogue(CXMLVar* element, void* context) {
  const std::string& skin = *static_cast<const std::string*>(context);
  // Some rewrites are not counted in BrandText's answer: compare instead.
  std::string text = element->m_strValue;
  BrandText(text, skin);
  if (element->m_strValue != text)
    element->m_strValue = text;
  if (element->m_strName == "link")
    return;
  for (auto& [name, value] : element->m_Attributes) {
    std::string rewritten = value;
    if (BrandText(rewritten, skin))
      value = rewritten;
  }
}

// A copy of an element keeps no attributes (see CXMLVar::Clone).
void DropAttributes(CXMLVar* element, void*) {
  element->m_Attributes.clear();
}

// The file's bytes, read in large pieces: a catalogue may hold megabytes.
std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::string bytes;
  std::error_code error;
  const auto size = std::filesystem::file_size(path, error);
  if (!error)
    bytes.reserve(static_cast<std::size_t>(size));
  std::vector<char> piece(64 * 1024);
  while (file.read(piece.data(), static_cast<std::streamsize>(piece.size())) || file.gcount() > 0)
    bytes.append(piece.data(), static_cast<std::size_t>(file.gcount()));
  return bytes;
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
  m_bCatalogueAccepted = false;
  bool fetched = TransferFile(url, kCatalogueFile, nullptr, nullptr, bounds);
  TraceStartup("catalogue fetched");
  // The file is read once: the reader gets the very bytes that were judged,
  // whatever another program does to the file meanwhile.
  std::string bytes;
  if (fetched) {
    // Closed before it is judged: Windows cannot remove a file still open.
    bytes = ReadWholeFile(platform::HostPath(kCatalogueFile));
    const CatalogueAcceptance acceptance = AcceptCatalogue(url, bytes, deadline);
    TraceStartup("catalogue judged");
    m_bDigestsRequired = acceptance.digestsRequired;
    if (!acceptance.accepted) {
      std::error_code ignored;
      std::filesystem::remove(platform::HostPath(kCatalogueFile), ignored);
      fetched = false;
    }
  }
  m_bCatalogueAccepted = fetched;

  auto document = std::make_unique<CXMLVar>("");
  if (fetched) {
    TextInputFile in(TextInputFile::Contents{bytes});
    document->ParseDocument(in);
  }
  std::string().swap(bytes);
  // The "Downloads" element is taken out of the tree that was read rather
  // than copied: the same elements, values and ordinals as a copy, without
  // the time and memory of a second tree. Like a copy it keeps no attributes.
  m_Catalogues.push_back(document->RemoveChild(document->GetChild("Downloads")));
  m_pDownloads = m_Catalogues.back().get();
  document.reset();
  m_pDownloads->Traverse(DropAttributes, nullptr, false);
  TraceStartup("catalogue read");

  if (m_pDownloads->Children().empty())
    return;

  BrandFilterWalk filter{GetSkin(), {}};
  if (SkinHidesItems(filter.skin)) {
    m_pDownloads->Traverse(BrandFilter, &filter, false);
    CXMLVar::DeleteNodes(filter.dropped);
  }
  m_pDownloads->Traverse(BrandCatalogue, &filter.skin, false);
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
