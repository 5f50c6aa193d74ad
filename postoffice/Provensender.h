#pragma once
// Who a received message is proven to come from: the one place the post office decides it.
// What a message claims (its sender's identifier, address, name, time) is anybody's to
// write; only its own bytes checked against a key pinned here, or its answering a request
// this installation sent to that address, prove who wrote it. A Key that opens a private
// message's seal proves only that it is sealed with that Key: every holder of the Key can
// seal with it. docs/TRUST.md lists each decision and what proves it.

#include "foundation/Messagesignature.h"

#include <set>
#include <string>

class TDiscussion;
struct THandledMessage;

// What proves the message to be its sender's.
enum class TSenderProof {
  None,               // only its claim
  PinnedKey,          // signed with the key pinned here for its identifier (or our own login's)
  AnswersOurRequest,  // answers a request this installation sent to its address about its subject
};
TSenderProof ProofOfSender(const THandledMessage& message);

// Whether `key` is the key pinned here for that identifier (our own login's for one of ours).
bool SignedWithPinnedKey(const std::string& lident, const TPublicKey& key);

// Whether the message (of the file at `path`) may be taken as the one the discussion knows
// by its identifier (its leader, one of its authors): proven (ProofOfSender); or, while no
// key is pinned for that identifier (first use: nothing can be proven yet, and the signature
// is pinned only on the evidence ProofOfSender names), a message sealed for everybody on its
// claim alone, and a private one only when the Key kept for that identifier at an address
// the discussion knows for it opens it: a Key the user gave for somebody else's address
// never opens the way to a person's name.
bool MayActAsKnownPerson(const THandledMessage& message, const TDiscussion& d, const std::string& path);

// The persons the discussion knows: its authors, the persons it keeps and its moderator.
std::set<std::string> PersonsKnownBy(const TDiscussion& d);
