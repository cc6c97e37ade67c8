#include "activex/activex_bind_status_callback_win.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <string_view>

#include <boost/algorithm/string/predicate.hpp>

#include "activex/activex_stream_win.h"
#include "runtime/diagnostic_log.h"
#include "runtime/simple_stream_helper.h"
#include "scripting/text_conversion.h"

namespace FB::ActiveX {
namespace {

// Larger reads give fewer, larger chunks; the block is the stream's whole
// per-request memory.
constexpr std::size_t kSmallestBlock = 4096;
constexpr std::size_t kLargestBlock = 1024 * 1024;

// The value of the header `name` (in any letter case) among `fields`, or "".
std::string headerValue(const SimpleStreamHelper::HeaderFields& fields, std::string_view name) {
  for (const auto& [field, value] : fields) {
    if (boost::algorithm::iequals(field, name)) return value;
  }
  return "";
}

// Leading decimal digits of `text` as a number; 0 when there are none or
// they overflow.
std::size_t leadingNumber(std::string_view text) {
  std::size_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') break;
    const std::size_t digit = static_cast<std::size_t>(c - '0');
    if (value > (static_cast<std::size_t>(-1) - digit) / 10) return 0;
    value = value * 10 + digit;
  }
  return value;
}

wchar_t* taskCopy(const std::wstring& text) {
  auto* copy = static_cast<wchar_t*>(CoTaskMemAlloc((text.size() + 1) * sizeof(wchar_t)));
  if (copy) std::memcpy(copy, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
  return copy;
}

template <class Body>
HRESULT guarded(const char* where, Body&& body) {
  try {
    return body();
  } catch (const std::exception& e) {
    diagnostic("ActiveXStream", [&] { return std::string(where) + " failed: " + e.what(); });
  } catch (...) {
    diagnostic("ActiveXStream", [&] { return std::string(where) + " failed"; });
  }
  return E_FAIL;
}

}  // namespace

ActiveXBindStatusCallback::ActiveXBindStatusCallback(std::shared_ptr<ActiveXStreamRequest> request, Verb verb,
                                                     const std::string& postData)
    : request_(std::move(request)), verb_(verb) {
  const std::size_t bufferSize = request_ ? request_->stream()->bufferSize() : 0;
  block_.resize(std::clamp(bufferSize, kSmallestBlock, kLargestBlock));
  if (verb_ == Verb::Post && !postData.empty()) {
    postCopy_ = GlobalAlloc(GMEM_FIXED, postData.size());
    if (!postCopy_) throw std::bad_alloc();
    std::memcpy(static_cast<void*>(postCopy_), postData.data(), postData.size());
    postLength_ = postData.size();
  }
}

ActiveXBindStatusCallback::~ActiveXBindStatusCallback() {
  if (delivery_) delivery_->Release();
  if (binding_) binding_->Release();
  if (postCopy_) GlobalFree(postCopy_);
}

ULONG ActiveXBindStatusCallback::Release() {
  const ULONG left = --references_;
  if (left == 0) delete this;
  return left;
}

HRESULT ActiveXBindStatusCallback::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IBindStatusCallback)) {
    *out = static_cast<IBindStatusCallback*>(this);
  } else if (IsEqualIID(iid, IID_IHttpNegotiate)) {
    *out = static_cast<IHttpNegotiate*>(this);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return S_OK;
}

void ActiveXBindStatusCallback::detach() { request_.reset(); }

bool ActiveXBindStatusCallback::abortBinding() {
  if (!binding_) return true;
  const HRESULT result = binding_->Abort();
  return result == S_OK || result == S_FALSE || result == INET_E_RESULT_DISPATCHED;
}

DWORD ActiveXBindStatusCallback::bindFlags() const {
  DWORD flags = BINDF_ASYNCHRONOUS | BINDF_ASYNCSTORAGE | BINDF_PULLDATA;
  if (request_ && request_->stream()->cached()) {
    flags |= BINDF_NEEDFILE;
  } else {
    flags |= BINDF_NOWRITECACHE | BINDF_PRAGMA_NO_CACHE | BINDF_GETNEWESTVERSION;
  }
  return flags;
}

std::wstring ActiveXBindStatusCallback::additionalHeaders() const {
  std::wstring headers = L"Accept-Encoding: identity\r\n";
  if (request_ && !request_->ranges().empty()) {
    headers += L"Range: bytes=";
    bool first = true;
    for (const auto& [start, end] : request_->ranges()) {
      if (!first) headers += L",";
      first = false;
      // Ranges are half-open; the header's end is the last byte.
      headers += std::to_wstring(start) + L"-" + std::to_wstring(end == 0 ? 0 : end - 1);
    }
    headers += L"\r\n";
  }
  if (verb_ == Verb::Post && postCopy_) headers += L"Content-Type: application/x-www-form-urlencoded\r\n";
  return headers;
}

HRESULT ActiveXBindStatusCallback::OnStartBinding(DWORD, IBinding* binding) {
  if (binding_) binding_->Release();
  binding_ = binding;
  if (binding_) binding_->AddRef();
  return S_OK;
}

HRESULT ActiveXBindStatusCallback::GetBindInfo(DWORD* flags, BINDINFO* info) {
  if (!flags || !info) return E_INVALIDARG;
  if (verb_ != Verb::Get && verb_ != Verb::Post) return E_FAIL;
  *flags = bindFlags();
  const ULONG size = info->cbSize;
  std::memset(info, 0, std::min<std::size_t>(size, sizeof(BINDINFO)));
  info->cbSize = size;
  info->dwBindVerb = verb_ == Verb::Post ? BINDVERB_POST : BINDVERB_GET;
  if (verb_ == Verb::Post && postCopy_) {
    // The medium's owner is this callback: urlmon releases the medium
    // through it, and the memory lives as long as the callback.
    info->stgmedData.tymed = TYMED_HGLOBAL;
    info->stgmedData.hGlobal = postCopy_;
    info->stgmedData.pUnkForRelease = static_cast<IBindStatusCallback*>(this);
    AddRef();
    info->cbstgmedData = static_cast<DWORD>(postLength_);
  }
  return S_OK;
}

HRESULT ActiveXBindStatusCallback::BeginningTransaction(LPCWSTR, LPCWSTR, DWORD, LPWSTR* additional) {
  if (!additional) return E_POINTER;
  return guarded("BeginningTransaction", [&] {
    *additional = taskCopy(additionalHeaders());
    return *additional ? S_OK : E_OUTOFMEMORY;
  });
}

HRESULT ActiveXBindStatusCallback::OnResponse(DWORD code, LPCWSTR responseHeaders, LPCWSTR, LPWSTR* additional) {
  if (additional) *additional = nullptr;
  return guarded("OnResponse", [&]() -> HRESULT {
    if (!request_) return E_ABORT;
    auto request = request_;  // the stream's observers may close it
    ActiveXStream& stream = *request->stream();
    const std::string headers = responseHeaders ? toUtf8(responseHeaders) : std::string();
    stream.setHeaderText(headers);
    const SimpleStreamHelper::HeaderFields fields = SimpleStreamHelper::parseHeaders(headers);
    // A range answer's length is the range's, not the resource's.
    const std::string length = headerValue(fields, "Content-Length");
    if (request->ranges().empty() && !length.empty()) stream.setTotalLength(leadingNumber(length));
    const std::string type = headerValue(fields, "Content-Type");
    if (!type.empty()) stream.setMimeType(type);
    stream.setServerSeekable(headerValue(fields, "Accept-Ranges") == "bytes");
    // Only an answer to ranges this request asked for places its data: a
    // server must not move a whole-resource download to an offset of its
    // choosing (the helpers that assemble downloads allocate up to it).
    const std::string range = headerValue(fields, "Content-Range");
    if (!request->ranges().empty() && range.size() > 6) {
      baseOffset_ = leadingNumber(std::string_view(range).substr(6));
    }
    if (code >= 200 && code <= 299 && (!stream.seekRequested() || stream.serverSeekable())) {
      if (!stream.opened()) stream.signalOpened();
      return S_OK;
    }
    refused_ = true;
    stream.setOpened(false);
    stream.signalFailedOpen();
    // urlmon may go on with the binding after E_ABORT (wine does, without
    // ever stopping it): abort it, and end the request here.
    abortBinding();
    if (request_) {
      request_.reset();
      request->stream()->requestFinished(request.get(), false);
    }
    return E_ABORT;
  });
}

HRESULT ActiveXBindStatusCallback::OnProgress(ULONG, ULONG, ULONG status, LPCWSTR text) {
  return guarded("OnProgress", [&] {
    if (status == BINDSTATUS_REDIRECTING) redirected_ = true;
    if (status == BINDSTATUS_CACHEFILENAMEAVAILABLE && request_ && text) request_->stream()->setCacheFile(text);
    return S_OK;
  });
}

HRESULT ActiveXBindStatusCallback::OnDataAvailable(DWORD flags, DWORD, FORMATETC*, STGMEDIUM* medium) {
  return guarded("OnDataAvailable", [&] {
    if (!delivery_ && medium && medium->tymed == TYMED_ISTREAM && medium->pstm) {
      delivery_ = medium->pstm;
      delivery_->AddRef();
    }
    if (delivery_ && request_ && !refused_) readAvailable();
    if ((flags & BSCF_LASTDATANOTIFICATION) && delivery_) {
      delivery_->Release();
      delivery_ = nullptr;
    }
    return S_OK;
  });
}

void ActiveXBindStatusCallback::readAvailable() {
  auto request = request_;  // an observer may close the stream, which detaches this callback
  while (request_ && delivery_) {
    ULONG read = 0;
    const HRESULT result = delivery_->Read(block_.data(), static_cast<ULONG>(block_.size()), &read);
    if (read > 0) {
      request->stream()->deliverData(block_.data(), read, baseOffset_ + delivered_);
      delivered_ += read;
    }
    if (result != S_OK || read == 0) break;  // pending, end or failure
  }
}

HRESULT ActiveXBindStatusCallback::OnStopBinding(HRESULT result, LPCWSTR) {
  return guarded("OnStopBinding", [&] {
    std::shared_ptr<ActiveXStreamRequest> request = std::move(request_);
    if (binding_) {
      binding_->Release();
      binding_ = nullptr;
    }
    if (delivery_) {
      delivery_->Release();
      delivery_ = nullptr;
    }
    if (request) {
      auto stream = request->stream();
      stream->requestFinished(request.get(), SUCCEEDED(result) && !refused_);
    }
    return S_OK;
  });
}

}  // namespace FB::ActiveX
