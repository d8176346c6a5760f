// The outcome of every transaction and port operation; the caller picks the
// message. The numbers are part of what the tool reports, so they stay fixed.
#pragma once

namespace tolvane {

enum LinkResult : int {
  kLinkOk = 0,
  kLinkNoReply = 1,
  kLinkUnexpectedReadReply = 2,  // a block read answered with something else
  kLinkUnexpectedReply = 3,      // a probe or write answered with something else
  kLinkSendFailed = 5,
  kLinkReceiveFailed = 6,
  kLinkCheckError = 7,
  kLinkCannotOpen = 8,
  kLinkLineError = 11,
  kLinkTooManyBytes = 12,
  kLinkPortNotOpen = 13,
};

}  // namespace tolvane
