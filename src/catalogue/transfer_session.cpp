// The document's one transfer: its record, its worker and its figures.
#include "catalogue/transfer_session.h"

#include <utility>

#include "catalogue/installer_check.h"
#include "catalogue/transfer_file.h"

void TransferSession::Prepare(TransferRequest request) {
  m_worker.Join();
  m_request = std::move(request);
  m_state.url = m_request.url;
  m_state.targetPath = m_request.targetPath;
  m_state.byteCounter = m_request.counted ? &m_bytesReceived : nullptr;
  m_state.transferred = false;
  m_state.maxBytes = m_request.maxBytes;
  m_state.deadlineSeconds = m_request.deadlineSeconds;
  m_state.resumption = m_request.resumption;
}

void TransferSession::Start() {
  m_worker.Start(m_state);
}

void TransferSession::Join() {
  m_worker.Join();
}

void TransferSession::Abandon() {
  m_worker.Abandon();
}

bool TransferSession::PassesCheck(bool digestRequired, bool removeOnFailure) const {
  return PassesFileCheck({m_state.targetPath, m_request.expectedSha256, digestRequired,
                          m_request.name, removeOnFailure});
}

void TransferSession::CountBytes(std::size_t bytes) {
  AddToByteCounter(m_bytesReceived, bytes);
}
