// The client's side of the framing: the only ways a record reaches the wire,
// the one reassembler for the server connection, and the synchronisation
// sequence that opens every connection.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/wire/wire.h"

// The two senders differ in who refuses a frame when there is no connection.

// Frames a 640-byte Pkt and hands it to the transport whatever the
// connection state: without a connection the socket layer refuses it
// (SOCK_NOT_OPEN), quietly. Returns the transport's result code (nobody
// examines it).
int SendPkt(const Pkt* pkt);

// Frames a record of at most 2044 bytes, but checks the connection state
// first: unless connected it drops the frame itself (returning 0, before the
// transport or the trace sees it), quietly too.
int SendRecord(const void* record, size_t length);

// Runs the bytes of one receive notification through the reassembler; every
// complete payload goes to the message handler before the next byte is read.
void FeedFrameBytes(const uint8_t* bytes, size_t count);

// Drops any half-received frame of the server connection (when the
// connection ends); the next byte is searched for the magic.
void ResetFrameReassembler();

// Asks for the settings, the item list and the events of `depth`, in that
// order, without waiting for answers. Forgets the settings first.
void SendSyncSequence(uint32_t depth);

// --- Seams: the program registers the real ones at start-up, tests their own ---

// Queues one whole frame on the server connection, or none of it; returns a
// socket-layer result code. Without one, every frame is dropped (result 0).
using FrameTransport = int (*)(const uint8_t* frame, size_t length);
void SetFrameTransport(FrameTransport transport);

// Receives every complete payload, synchronously, in the order received.
// Without one, payloads are dropped.
using ServerMessageHandler = void (*)(const uint8_t* payload, size_t length);
void SetServerMessageHandler(ServerMessageHandler handler);
