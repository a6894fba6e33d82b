#pragma once

#include "net/BlockSocket.h"

// Level of the socket hierarchy that would route connections through a
// proxy. This program always connects directly, so it adds nothing.
class TSocksBlockSocket : public TBlockSocket {
protected:
    TSocksBlockSocket();
};
