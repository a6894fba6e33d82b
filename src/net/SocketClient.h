#pragma once

#include <string>

// Connection settings shared by protocol clients.
class TSocketClient {
public:
    TSocketClient();
    virtual ~TSocketClient();

    // getters
    const std::string& TargetHost() const { return fTargetHost; }
    const std::string& TargetPort() const { return fTargetPort; }
    const std::string& IPInterface() const { return FIPInterface; }
    int Timeout() const { return fTimeout; }
    const std::string& UserName() const { return fUserName; }
    const std::string& Password() const { return fPassword; }

    // setters
    void SetTargetHost(const std::string& v) { fTargetHost = v; }
    void SetTargetPort(const std::string& v) { fTargetPort = v; }
    void SetIPInterface(const std::string& v) { FIPInterface = v; }
    void SetTimeout(int ms) { fTimeout = ms; }
    void SetUserName(const std::string& v) { fUserName = v; }
    void SetPassword(const std::string& v) { fPassword = v; }

private:
    std::string fTargetHost = "127.0.0.1";
    std::string fTargetPort = "0";
    std::string FIPInterface = "0.0.0.0";
    int fTimeout = 5000;
    std::string fUserName;
    std::string fPassword;
};
