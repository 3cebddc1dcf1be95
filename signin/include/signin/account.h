// The account-name rule and the addresses built on the account host. Shared by the Connect
// handler and the forgotten-password link so both derive the same name from the same text.
#pragma once

#include "framework/text.h"

namespace signin {

/// The service's domain, without a leading ".".
inline constexpr const char* kServiceDomain = KELDARA_SERVICE_DOMAIN;
/// The management host, only ever looked up by name.
inline constexpr const char* kManagementHost = KELDARA_MANAGEMENT_HOST;
/// The contact named in the failure texts.
inline constexpr const char* kSupportAddress = KELDARA_SUPPORT_ADDRESS;

/// The account name of a typed user name: trimmed, lower-cased, cut before the first "@", then
/// before the first "."; search positions are narrowed to signed 16 bits. May be empty.
fw::String AccountName(const fw::String& userText);
/// The account name, "." and the service's domain.
fw::String AccountHost(const fw::String& accountName);
/// "https://" + account host: the address handed to the mount script.
fw::String SecureAddress(const fw::String& accountHost);
/// "http://" + account host: the address of the sign-in request.
fw::String RequestAddress(const fw::String& accountHost);
/// "http://" + account host + "/control": the control page.
fw::String ControlPageAddress(const fw::String& accountHost);

}  // namespace signin
