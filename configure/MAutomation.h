// Late-bound automation: objects created by class identifier and driven by
// member name, the way the server management objects are meant to be used.
// Every failure is raised as a RuntimeError (platform/Forms.h):
//   - a failed creation: 429 "ActiveX component can't create object";
//   - a member the object does not know: 438;
//   - an exception reported by the object (DISP_E_EXCEPTION): the EXCEPINFO's
//     wCode when set, otherwise its scode, with the object's description;
//   - any other failed HRESULT: the HRESULT as a signed number, "Automation error".
// An HRESULT of the control facility (0x800Axxxx) carries a plain error number
// in its low word and is reported as that number, e.g. 0x800A0035 as 53.
#pragma once
#include <memory>
#include <string>
#include <vector>
#include "platform/Forms.h"

class CAutoObject;
using AutoRef = std::shared_ptr<CAutoObject>;

// One argument or result.
struct AutoValue {
  enum Kind { Empty, Bool, Long, Text, Object };
  Kind eKind = Empty;
  bool b = false;
  long n = 0;
  std::string s;
  AutoRef o;
};
AutoValue AutoText(const std::string& s);
AutoValue AutoBool(bool b);
AutoValue AutoLong(long n);
AutoValue AutoObject(const AutoRef& o);

class CAutoObject {
public:
  virtual ~CAutoObject() {}
  // A method call or property get; arguments in the order of the call.
  virtual AutoValue Call(const char* sMember, const std::vector<AutoValue>& args) = 0;
  // A property assignment.
  virtual void Let(const char* sMember, const AutoValue& vValue) = 0;

  AutoValue Call(const char* sMember) { return Call(sMember, std::vector<AutoValue>()); }
  // A member whose result must be an object (424 "Object required" otherwise).
  AutoRef CallObject(const char* sMember, const std::vector<AutoValue>& args);
  // The COM object behind it, when there is one: what an object argument
  // hands to another COM object.
  virtual IDispatch* Dispatch() const { return nullptr; }
};

class IAutomation {
public:
  virtual ~IAutomation() {}
  // Class and interface identifiers in registry form, {xxxxxxxx-xxxx-...}.
  virtual AutoRef CreateObject(const char* sClassId, const char* sInterfaceId) = 0;
};

// The binding in use: COM unless a test has put its own in place.
IAutomation& Automation();
void SetAutomation(IAutomation* pAutomation);   // nullptr restores COM

// The COM side, exposed for tests of the binding itself.
AutoRef WrapDispatch(IDispatch* pDispatch);     // takes its own reference
bool ParseGuid(const char* sText, GUID& guid);
long ErrorNumberFromHresult(HRESULT hr);
