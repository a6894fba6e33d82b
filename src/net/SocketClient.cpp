#include "net/SocketClient.h"

TSocketClient::TSocketClient() = default;
TSocketClient::~TSocketClient() = default;
