// The protection-rule store. Slot order is binding: hosts call by position.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "StoreTypes.h"

class IFileProtectCfgMgr {
public:
    virtual bool InitDb() = 0;                                                         // 0
    virtual void CloseDb() = 0;                                                        // 1
    virtual std::vector<std::wstring> GetFileTypeProtectList() = 0;                    // 2
    virtual void GetProtectPathList(std::vector<std::wstring>& paths) = 0;             // 3
    virtual bool CheckpointDb() = 0;                                                   // 4
    virtual bool Reserved() = 0;                                                       // 5
    virtual std::string GetSqliteVersion() = 0;                                        // 6
    virtual bool GetBlockCount(BlockCountItem& item) = 0;                              // 7
    virtual bool GetBlockList(std::vector<BlockCountItem>& items) = 0;                 // 8
    virtual bool AddBlockCountList(const std::vector<BlockCountItem>& items) = 0;      // 9
    virtual bool AddBlockCountItem(const BlockCountItem& item) = 0;                    // 10
    virtual bool DeleteBlockListItem(const std::wstring& path, bool ownTransaction) = 0;  // 11
    virtual bool DeleteBlockListItems(const std::vector<std::wstring>& paths) = 0;     // 12
    virtual bool DeleteBlockListByHash(const std::vector<std::string>& hashes) = 0;    // 13
    virtual bool DeleteBlockList(const std::vector<std::wstring>& paths) = 0;          // 14
    virtual bool ClearBlockList() = 0;                                                 // 15
    virtual bool AddBlockCount(const std::wstring& path, int32_t count) = 0;           // 16
    virtual bool IncreaseBlockCount(const std::wstring& path) = 0;                     // 17
    virtual bool GetRejectList(std::vector<ProtectFileItem>& items) = 0;               // 18
    virtual bool AddRejectList(const std::vector<ProtectFileItem>& items) = 0;         // 19
    virtual bool DeleteRejectList(const std::vector<std::wstring>& paths) = 0;         // 20
    virtual bool ClearRejectList() = 0;                                                // 21
    virtual bool GetWhiteList(std::vector<ProtectFileItem>& items, const bool& constList) = 0;        // 22
    virtual bool AddWhiteList(const std::vector<ProtectFileItem>& items, const bool& constList) = 0;  // 23
    virtual bool DeleteWhiteList(const std::vector<std::wstring>& paths, bool constList) = 0;         // 24
    virtual bool ClearWhiteList(bool constList) = 0;                                   // 25
    virtual bool GetProtectFileList(std::vector<ProtectFileItem>& items,
                                    std::vector<std::wstring>& extensions) = 0;        // 26
    virtual bool AddProtectFile(const std::vector<ProtectFileItem>& items, bool bextention) = 0;  // 27
    virtual bool AddProtectExtension(const std::vector<std::wstring>& extensions) = 0; // 28
    virtual bool DeleteProtectFile(std::vector<std::wstring> paths, bool bextention) = 0;  // 29
    virtual bool ClearProtectExtension() = 0;                                          // 30
    virtual bool ClearProtectFile() = 0;                                               // 31
    virtual bool ClearProtectAll() = 0;                                                // 32
    virtual ProtectConfig GetProtectConfig() = 0;                                      // 33
    virtual bool SetProtectConfig(const ProtectConfig& config) = 0;                    // 34
    virtual bool SetConfig(const int32_t& id, const std::wstring& text) = 0;           // 35
    virtual std::wstring GetConfig(const int32_t& id) = 0;                             // 36
    virtual bool DeleteConfig(const int32_t& id) = 0;                                  // 37
    virtual bool RenamePath(const std::wstring& oldPath, const std::wstring& mountPoint,
                            const std::wstring& newPath, const uint16_t& listKinds) = 0;  // 38
};

// List-kind flags of RenamePath, in order of precedence.
enum : uint16_t {
    kRenameWhiteList = 0x0001,
    kRenameRejectList = 0x0010,
    kRenameProtectList = 0x0100,
};
