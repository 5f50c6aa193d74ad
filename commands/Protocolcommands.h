#pragma once
// The commands that send requests of the discussion protocol: registering a model with a
// moderator, forming a new discussion for its requesters, asking for an author
// identifier, publishing one's data, making a discussion private or public, subscribing,
// unsubscribing, and asking for or sending the list of block names. Each writes one
// sealed message per receivers row into the Outbox, all of them or none.

struct TCommand;

void RegistrateModelCommand(TCommand& command);     // "Registrate model"
void FormNewDiscussionCommand(TCommand& command);   // "Form new discussion"
void GiveMyIdentifierCommand(TCommand& command);    // "Give my identifier"
void PublishMyDataCommand(TCommand& command);       // "Publish my data"
void SetPublicityCommand(TCommand& command);        // "Set publicity" / "Set secrecy"
void UnsubscribeCommand(TCommand& command);         // "Unsubscribe me"
void SubscribeCommand(TCommand& command);           // "Subscribe me"
void RequestBlocksListCommand(TCommand& command);   // "Request blocks list"
void ExistingBlocksListCommand(TCommand& command);  // "Existing blocks list"
