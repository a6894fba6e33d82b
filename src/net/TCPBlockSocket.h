#pragma once

#include <functional>

#include "net/SocksBlockSocket.h"

class TTCPBlockSocket;
using THookAfterConnect = std::function<void(TBlockSocket& sender)>;

// Blocking TCP client socket. Closing is orderly: the sending side is shut
// down and waiting input drained through the read filter before the handle
// is released (unless the last operation failed).
class TTCPBlockSocket : public TSocksBlockSocket {
public:
    TTCPBlockSocket();
    ~TTCPBlockSocket() override;

    // virtuals
    void ConnectTo(const std::string& host, const std::string& port) override;
    void CloseConnection() override;
    int SocketType() const override;
    int SocketProtocol() const override;

    // events
    const THookAfterConnect& OnAfterConnect() const { return fOnAfterConnect; }
    void SetOnAfterConnect(THookAfterConnect v) { fOnAfterConnect = std::move(v); }

private:
    THookAfterConnect fOnAfterConnect;
};
