/* libnetbrg2: the transport library between the program and its database.
 *
 * The program loads libnetbrg2.so at run time (dlopen) and binds the four
 * entry points below by name (dlsym), and a fifth, optional one. Every call
 * blocks until it is done. The library is single-threaded: one connection
 * per process.
 *
 * Calling contract:
 *  - The caller owns the TransportReply record and passes the address of a
 *    variable that points to it. The library fills data, length and status.
 *    A null address, or a variable holding null, makes the call do nothing.
 *  - data is allocated by the library and released only by FreeMem_NB.
 *  - WaitInitNetClient: data is a zero-terminated text (length counts the
 *    zero). Its fifth character names the SQL dialect ('2': dates written as
 *    #mm/dd/yyyy#), then the back end's name and version follow, and after
 *    "; " the database reached (never a password).
 *    status 0: connected; -1: the server is not reachable; -2: the
 *    configuration is wrong or the database file is missing (the text says
 *    what went wrong).
 *  - WaitSendToServer: the request is an optional user id followed by SQL
 *    text; all of its statements run in one transaction. data is a data
 *    buffer: status byte 'S' at offset 4 and the result set of the last
 *    statement that returned one, or 'E' at offset 4 followed by the error
 *    text (the transaction was rolled back). A reply without a result set
 *    ends with the rows each statement changed, an error reply with the
 *    failing statement's position, after what data-buffer readers read
 *    (byte layout: transport/result_encoder.h). status 0: the connection is
 *    usable; -1: it is gone (not connected, or lost during the request).
 *  - WaitCloseNetClient closes the connection; closing twice is harmless.
 *
 * A fifth entry point is optional (a program must work without it, as with
 * an older library):
 *  - SetProgressHandler_NB installs a handler for the requests that follow,
 *    until another call replaces it (a null handler removes it). Send calls
 *    it on the caller's thread after each statement of a request, inside the
 *    request's transaction: done statements of total have run, and the last
 *    one changed rowsChanged rows (-1 when it has no such count). A non-zero
 *    return cancels the request: the transaction is rolled back and the
 *    reply is an error reply, "Выполнение отменено: изменения не внесены",
 *    whose tail names the last statement that ran and marks the cancel
 *    (transport/result_encoder.h). From inside the handler the library
 *    refuses WaitSendToServer (an error reply), WaitInitNetClient (status
 *    -2) and WaitCloseNetClient (ignored); FreeMem_NB and
 *    SetProgressHandler_NB may be called (a new handler counts from the next
 *    statement).
 */
#ifndef MORVANE_TRANSPORT_NETBRG2_H
#define MORVANE_TRANSPORT_NETBRG2_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct TransportReply {
  char* data;     /* reply bytes, owned by the library until FreeMem_NB */
  int32_t length; /* number of reply bytes */
  int32_t status; /* >= 0 connected, < 0 connection refused or lost */
} TransportReply;

#define NETBRG2_EXPORT __attribute__((visibility("default")))

NETBRG2_EXPORT void WaitInitNetClient(const char* text, int32_t length, TransportReply** reply);
NETBRG2_EXPORT void WaitSendToServer(const char* text, int32_t length, TransportReply** reply);
NETBRG2_EXPORT void WaitCloseNetClient(void);
NETBRG2_EXPORT void FreeMem_NB(void* data);

/* Non-zero cancels the request (see SetProgressHandler_NB above). */
typedef int32_t (*TransportProgressFunc)(void* context, int32_t done, int32_t total,
                                         int64_t rowsChanged);
NETBRG2_EXPORT void SetProgressHandler_NB(TransportProgressFunc handler, void* context);

/* Types of the entry points, for binding them with dlsym. */
typedef void (*WaitInitNetClientFunc)(const char*, int32_t, TransportReply**);
typedef void (*WaitSendToServerFunc)(const char*, int32_t, TransportReply**);
typedef void (*WaitCloseNetClientFunc)(void);
typedef void (*FreeMemNBFunc)(void*);
typedef void (*SetProgressHandlerNBFunc)(TransportProgressFunc, void*);

#ifdef __cplusplus
}
#endif

#endif
