#include "net/SocksBlockSocket.h"

TSocksBlockSocket::TSocksBlockSocket() = default;
