#include "app/ReplyCut.h"
#include "app/RouterPoll.h"

void ParseReply(TReplyBuffer& reply, ToneBits& toneBits) {
  reply.SetText(CutReplyHead(reply.Text()));
  const int lineCount = reply.Count();
  for (int i = 0; i < lineCount; ++i) reply.SetLine(i, CutReplyLine(reply.Line(i)));
  toneBits = ReadToneCells(RemoveLineBreaks(reply.Text()));
}
