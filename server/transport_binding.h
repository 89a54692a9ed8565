// The binding to the transport library libnetbrg2.so, loaded at run time.
//
// The library is the program's only way to the database server. It exports
// four C entry points, looked up by name:
//
//   WaitInitNetClient(text, length, &reply)  opens the connection
//   WaitSendToServer(text, length, &reply)   sends one request, waits for the reply
//   WaitCloseNetClient()                     closes the connection
//   FreeMem_NB(data)                         releases the bytes of a reply
//
// and, optionally, a fifth that an older library lacks:
//
//   SetProgressHandler_NB(handler, context)  reports each statement of the
//                                            requests that follow; the
//                                            handler may cancel a request
//
// A text is passed zero-terminated, with its length counting the zero. The
// caller owns the TransportReply record and sets its data address to null
// before each call; the library fills it. The reply bytes belong to the
// library and are released only through FreeMem_NB. A negative status means
// the connection is lost or refused.
//
// TransportLibrary loads the library by name: first from the library search
// path (LD_LIBRARY_PATH, the executable's run path, the system folders), then
// from the folder of the running executable, then from the program's own
// library folder ../lib/morvane beside it (where the package puts it). A name
// holding '/' is used as a path. A missing library or entry point is not an
// error here; the session decides what it means (a missing library is
// reported at the first Connect, a missing entry point is silent). Tests inject entry points of
// their own in place of a library.
//
// Every call copies the reply bytes out and releases them at once, so no
// library-owned memory outlives a call.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/program_folders.h"
#include "transport/netbrg2.h"

namespace morvane {

// TransportReply and the entry point types come from the library's own
// header, so the binding and the library cannot disagree on them.

struct TransportEntryPoints {
  WaitInitNetClientFunc WaitInitNetClient = nullptr;
  WaitSendToServerFunc WaitSendToServer = nullptr;
  WaitCloseNetClientFunc WaitCloseNetClient = nullptr;
  FreeMemNBFunc FreeMem_NB = nullptr;
  SetProgressHandlerNBFunc SetProgressHandler_NB = nullptr;  // optional

  // The four that every library has; the progress entry point is not needed.
  bool Complete() const {
    return WaitInitNetClient && WaitSendToServer && WaitCloseNetClient && FreeMem_NB;
  }
};

inline constexpr char kTransportLibraryName[] = "libnetbrg2.so";

// What one init or send call answered, with the reply bytes copied out.
struct TransportResult {
  int32_t status = -1;
  bool hasData = false;     // the library gave a data address
  std::vector<char> bytes;  // the reply bytes (empty when there were none)
};

class TransportLibrary {
 public:
  // Loads the library; see the search order above.
  explicit TransportLibrary(const std::string& libraryName = kTransportLibraryName);
  // Uses the given entry points as if a library holding them were loaded.
  explicit TransportLibrary(const TransportEntryPoints& entryPoints);
  ~TransportLibrary();  // unloads the library; errors while unloading are ignored
  TransportLibrary(const TransportLibrary&) = delete;
  TransportLibrary& operator=(const TransportLibrary&) = delete;

  bool Loaded() const { return loaded_; }
  bool Complete() const { return entryPoints_.Complete(); }
  const TransportEntryPoints& EntryPoints() const { return entryPoints_; }

  // The calls need Complete(); without it they answer status -1 and no data.
  // Init's reply bytes are its zero-terminated reply text; Send's are a data
  // buffer.
  TransportResult Init(const std::string& connectText) const;
  TransportResult Send(const std::string& request) const;
  // Closes the connection; whatever goes wrong inside the library is ignored.
  void Close() const;
  // Whether the library can report the statements of a request.
  bool SupportsProgress() const { return entryPoints_.SetProgressHandler_NB != nullptr; }
  // Installs the handler for the sends that follow (null removes it); false
  // and nothing installed when the library cannot report.
  bool SetProgressHandler(TransportProgressFunc handler, void* context) const;

 private:
  // textReply: the reply is a zero-terminated text whose length may be 0.
  TransportResult Call(WaitInitNetClientFunc entryPoint, const std::string& text,
                       bool textReply) const;

  void* handle_ = nullptr;
  bool loaded_ = false;
  TransportEntryPoints entryPoints_;
};

}  // namespace morvane
