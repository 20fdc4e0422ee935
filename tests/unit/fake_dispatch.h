// What every test automation object shares: counted references (deleted on
// the last Release) and no type information. Each object answers
// QueryInterface, GetIDsOfNames and Invoke itself.
#pragma once
#include "platform/MAPI_Declares.h"

struct FakeDispatch : IDispatch {
  LONG nRefs = 1;
  virtual ~FakeDispatch() = default;
  ULONG STDMETHODCALLTYPE AddRef() override { return ++nRefs; }
  ULONG STDMETHODCALLTYPE Release() override {
    LONG n = --nRefs;
    if (n == 0) delete this;
    return n;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* p) override {
    *p = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
};
