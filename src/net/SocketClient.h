#pragma once

#include <string>

// Connection settings shared by protocol clients.
class TSocketClient {
 public:
  TSocketClient();
  virtual ~TSocketClient();

  // getters
  const std::string& TargetHost() const { return FTargetHost; }
  const std::string& TargetPort() const { return FTargetPort; }
  const std::string& IPInterface() const { return FIPInterface; }
  int Timeout() const { return FTimeout; }
  const std::string& UserName() const { return FUserName; }
  const std::string& Password() const { return FPassword; }

  // setters
  void SetTargetHost(const std::string& v) { FTargetHost = v; }
  void SetTargetPort(const std::string& v) { FTargetPort = v; }
  void SetIPInterface(const std::string& v) { FIPInterface = v; }
  void SetTimeout(int ms) { FTimeout = ms; }
  void SetUserName(const std::string& v) { FUserName = v; }
  void SetPassword(const std::string& v) { FPassword = v; }

 private:
  std::string FTargetHost = "127.0.0.1";
  std::string FTargetPort = "0";
  std::string FIPInterface = "0.0.0.0";
  int FTimeout = 5000;
  std::string FUserName;
  std::string FPassword;
};
