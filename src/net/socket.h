// The asynchronous socket layer: every socket of the process lives in one
// fixed table; Winsock reports events as WM_SOCKET_EVENT messages to the
// notification window, which hands them to SocketDispatch; TCP data goes out
// through a per-connection ring drained by WM_SOCKET_SEND messages.
// All calls happen on the notification window's thread.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <cstdint>

#define WM_SOCKET_EVENT (WM_USER + 100)
#define WM_SOCKET_SEND (WM_USER + 101)

constexpr int SOCKET_TABLE_SIZE = 2100;
constexpr uint32_t SEND_QUEUE_SIZE = 262144;  // holds at most 262143 bytes
constexpr uint32_t SEND_BURST = 1024;         // bytes sent per WM_SOCKET_SEND at most
constexpr int RECEIVE_CHUNK = 2048;           // bytes read per FD_READ at most

// Result codes.
enum : int {
    SOCK_FAILED = 0,
    SOCK_OK = 1,
    SOCK_ALREADY_STARTED = 2,
    SOCK_BAD_ARGUMENT = 3,
    SOCK_NOT_STARTED = 4,
    SOCK_STARTUP_FAILED = 5,
    SOCK_SOCKET_FAILED = 6,
    SOCK_BIND_FAILED = 7,
    SOCK_NO_RESOURCES = 8,
    SOCK_CONNECT_FAILED = 9,
    SOCK_IN_PROGRESS = 10,
    SOCK_WOULD_BLOCK = 12,
    SOCK_NOT_OPEN = 14,
    SOCK_RESOLVE_FAILED = 15,
};

// Callback events.
enum : uint32_t {
    SOCK_EVENT_DATA = 0,    // value = bytes received into the receive buffer
    SOCK_EVENT_CLOSED = 1,  // entry already released
    SOCK_EVENT_CONNECTED = 2,
    SOCK_EVENT_ACCEPT = 3,  // value = entryIndex for the new connection; return its context or -1
    SOCK_EVENT_ACCEPTED = 4,
    SOCK_EVENT_CONNECT_FAILED = 5,  // entry already released
};

typedef int (*SocketCallback)(uint32_t context, uint32_t event, uint32_t value, uint32_t, uint32_t);

int SocketStartup(HWND notifyWindow);
void SocketCleanup();
void SocketDispatch(UINT message, WPARAM wParam, LPARAM lParam);

// Reading yields to the person: once a stretch of receiving has lasted
// READ_SLICE_MS while input, painting or a timer waits, the next receive is
// put off until they have been served. The message loop calls this before it
// waits for its next message: a receive put off goes on as soon as nothing of
// the sort waits (inside a modal loop, a menu's or a message box's, a timer
// of the layer's window resumes it instead).
constexpr DWORD READ_SLICE_MS = 50;
void ResumeReadsAfterInput();

// Copies bytes into the connection's send queue (as many as fit) and posts
// WM_SOCKET_SEND. *queued receives the count stored; a full queue is not an error.
int SocketQueueSend(int32_t index, const void* data, int32_t length, uint32_t* queued);

// Free room in an open TCP connection's send queue, in bytes; 0 when the entry
// has no queue. Lets a sender refuse to queue half a frame.
uint32_t SocketQueueRoom(int32_t index);

// True when the entry is an open TCP connection that accepts queued sends
// (raw and UDP entries have no queue).
bool SocketCanQueue(int32_t index);

// Endpoints.
int SocketConnect(const char* host, uint16_t port, uint32_t context, int32_t* index,
                  SocketCallback callback, char* recvBuffer);
int SocketClose(int32_t index);
int SocketListen(uint16_t port, uint32_t context, int32_t* index, SocketCallback callback,
                 char* recvBuffer);
int SocketOpenRaw(uint32_t context, int32_t* index, SocketCallback callback, char* recvBuffer,
                  int32_t protocol);
int SocketOpenUdp(uint32_t context, int32_t* index, uint16_t port, SocketCallback callback,
                  char* recvBuffer);
int SocketSendTo(int32_t index, uint32_t address, uint16_t port, const void* data, int32_t length);
int SocketSendToText(int32_t index, const char* address, const void* data, int32_t length,
                     int32_t* sent);
int ResolveHostName(const char* name, char* out16);
// inet_addr of the text, unchecked: network byte order, 0xFFFFFFFF when invalid.
uint32_t ParseDottedQuad(const char* text);
int GetLocalHostName(char* buffer, int32_t size);
