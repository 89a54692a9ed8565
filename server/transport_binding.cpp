#include "server/transport_binding.h"

#include <dlfcn.h>

#include <cstring>

namespace morvane {

namespace {

void* OpenLibrary(const std::string& libraryName) {
  void* handle = dlopen(libraryName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle || libraryName.find('/') != std::string::npos) return handle;
  const std::string folder = ExecutableFolder();
  if (folder.empty()) return nullptr;
  handle = dlopen((folder + libraryName).c_str(), RTLD_NOW | RTLD_LOCAL);
  // The installed executables carry the run path $ORIGIN/../lib/morvane, but
  // dlopen honours only the run path of the object that calls it, which is
  // not the executable when a sanitizer runtime in a shared object
  // intercepts the call; naming the folder makes the search the same for
  // every build.
  if (!handle)
    handle = dlopen((folder + "../lib/morvane/" + libraryName).c_str(), RTLD_NOW | RTLD_LOCAL);
  return handle;
}

template <typename EntryPoint>
EntryPoint LookUp(void* handle, const char* name) {
  return reinterpret_cast<EntryPoint>(dlsym(handle, name));
}

}  // namespace

TransportLibrary::TransportLibrary(const std::string& libraryName) {
  handle_ = OpenLibrary(libraryName);
  loaded_ = handle_ != nullptr;
  if (!loaded_) return;
  entryPoints_.WaitInitNetClient = LookUp<WaitInitNetClientFunc>(handle_, "WaitInitNetClient");
  entryPoints_.WaitSendToServer = LookUp<WaitSendToServerFunc>(handle_, "WaitSendToServer");
  entryPoints_.WaitCloseNetClient = LookUp<WaitCloseNetClientFunc>(handle_, "WaitCloseNetClient");
  entryPoints_.FreeMem_NB = LookUp<FreeMemNBFunc>(handle_, "FreeMem_NB");
  entryPoints_.SetProgressHandler_NB =
      LookUp<SetProgressHandlerNBFunc>(handle_, "SetProgressHandler_NB");
}

TransportLibrary::TransportLibrary(const TransportEntryPoints& entryPoints)
    : loaded_(true), entryPoints_(entryPoints) {}

TransportLibrary::~TransportLibrary() {
  // A failed unload leaves nothing for the program to do: the process goes on.
  if (handle_) dlclose(handle_);
}

TransportResult TransportLibrary::Init(const std::string& connectText) const {
  return Call(entryPoints_.WaitInitNetClient, connectText, true);
}

TransportResult TransportLibrary::Send(const std::string& request) const {
  return Call(entryPoints_.WaitSendToServer, request, false);
}

void TransportLibrary::Close() const {
  if (!entryPoints_.WaitCloseNetClient) return;
  try {
    entryPoints_.WaitCloseNetClient();
  } catch (...) {
    // Closing a connection that is already gone may fail; the session is
    // closed either way.
  }
}

bool TransportLibrary::SetProgressHandler(TransportProgressFunc handler, void* context) const {
  if (!SupportsProgress()) return false;
  entryPoints_.SetProgressHandler_NB(handler, context);
  return true;
}

TransportResult TransportLibrary::Call(WaitInitNetClientFunc entryPoint, const std::string& text,
                                       bool textReply) const {
  TransportResult result;
  if (!Complete()) return result;
  TransportReply reply{nullptr, 0, 0};
  TransportReply* replyAddress = &reply;
  // c_str() is the zero-terminated copy the library reads; the length counts the zero.
  entryPoint(text.c_str(), int32_t(text.size() + 1), &replyAddress);
  const TransportReply& answer = replyAddress ? *replyAddress : reply;
  result.status = answer.status;
  if (!answer.data) return result;
  result.hasData = true;
  // An init reply is a zero-terminated text whose length the library need
  // not give; a send reply is exactly length bytes.
  size_t byteCount = answer.length > 0 ? size_t(answer.length)
                     : textReply       ? std::strlen(answer.data)
                                       : 0;
  result.bytes.assign(answer.data, answer.data + byteCount);
  entryPoints_.FreeMem_NB(answer.data);
  return result;
}

}  // namespace morvane
