// A test root that the current user trusts while this object lives. It is written into the
// registry's Root store, where every new process's chain engine reads it (Wine's system-store
// view of that store keeps an added certificate in memory only), and taken out again on
// destruction, unless it was there before: the prefix is left as it was found.
#pragma once

#include <windows.h>

#include <wincrypt.h>

#include <utility>
#include <vector>

namespace corvald::test_support {

class UserTrustedRoot {
 public:
  explicit UserTrustedRoot(std::vector<BYTE> der) : der_(std::move(der)) {
    was_there_ = present();
    if (der_.empty() || was_there_) return;
    RootStore root;
    added_ = root.store != nullptr &&
             CertAddEncodedCertificateToStore(root.store, X509_ASN_ENCODING, der_.data(),
                                              static_cast<DWORD>(der_.size()), CERT_STORE_ADD_NEW,
                                              nullptr);
  }
  ~UserTrustedRoot() { remove(); }
  UserTrustedRoot(const UserTrustedRoot&) = delete;
  UserTrustedRoot& operator=(const UserTrustedRoot&) = delete;

  // The root is in the user's registry store now, so a process started after this sees it.
  bool trusted() const { return (added_ || was_there_) && present(); }

  bool present() const {
    RootStore root;
    const PCCERT_CONTEXT found = root.find(der_);
    if (found != nullptr) CertFreeCertificateContext(found);
    return found != nullptr;
  }

  void remove() {
    if (!added_) return;
    added_ = false;
    RootStore root;
    // Deleting frees the context it is given.
    if (const PCCERT_CONTEXT found = root.find(der_)) CertDeleteCertificateFromStore(found);
  }

 private:
  struct RootStore {
    RootStore() {
      if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Microsoft\\SystemCertificates\\Root", 0,
                          nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) == ERROR_SUCCESS) {
        store = CertOpenStore(CERT_STORE_PROV_REG, 0, 0, 0, key);
      }
    }
    ~RootStore() {
      if (store != nullptr) CertCloseStore(store, 0);
      if (key != nullptr) RegCloseKey(key);
    }
    // The certificate as this store holds it, or nothing; the caller frees it.
    PCCERT_CONTEXT find(const std::vector<BYTE>& der) const {
      if (store == nullptr || der.empty()) return nullptr;
      const PCCERT_CONTEXT wanted = CertCreateCertificateContext(X509_ASN_ENCODING, der.data(),
                                                                 static_cast<DWORD>(der.size()));
      if (wanted == nullptr) return nullptr;
      const PCCERT_CONTEXT found = CertFindCertificateInStore(store, X509_ASN_ENCODING, 0,
                                                              CERT_FIND_EXISTING, wanted, nullptr);
      CertFreeCertificateContext(wanted);
      return found;
    }
    HKEY key = nullptr;
    HCERTSTORE store = nullptr;
  };

  std::vector<BYTE> der_;
  bool was_there_ = false;
  bool added_ = false;
};

}  // namespace corvald::test_support
