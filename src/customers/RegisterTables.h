// The register's tables: `mitrex` and `mxnote` opened shared, with the
// index files the register builds each time it opens, and the temporary
// sorts that replace the register's order for a while.
//
// Orders of `mitrex` while the register stands:
//   1 the customer key (`CUSTNO`), 2 `mxcust` on company,
//   3 `mxmgr` on the account manager, 4 `mxamt` on the amount,
//   5 `tempmx2` while a temporary sort (state or last change) is in force.
// The four shared files stay open under a temporary sort: every change
// still reaches them, for this workstation and for the others that have
// them open. The note table `mxnote` has one order, on the key.
#pragma once

#include <vector>

#include "DataContext.h"
#include "IndexRebuild.h"

namespace mx::customers {

// The register's standard order list, in order.
const std::vector<ds::IndexFileSpec>& registerOrders();
inline constexpr int kManagerOrder = 3;
inline constexpr int kAmountOrder = 4;
// The one index file of the temporary sorts.
inline constexpr const char* kTemporarySort = "tempmx2";

// Opens `mxnote` and `mitrex` shared without indexes and gives them their
// order lists (ds::openSharedOrderList: a file another workstation has open
// is shared, not rebuilt); `mitrex` is selected, in the customer key order,
// on its first customer. False when a table could not be opened or its
// orders not built: a damaged file or a failed build has been explained in
// an alert, a busy or missing table is passed over in silence, and the
// tables this call opened are closed again.
bool openRegister(ds::DataContext& ctx);

// `SETSTATEORDER`, `SETCHANGEORDER`: `tempmx2` built afresh on "state1" or
// "dtos(changed)" and made the current order. False when it could not be
// built: the standard order list is then in force again.
bool SETSTATEORDER(ds::DataContext& ctx);
bool SETCHANGEORDER(ds::DataContext& ctx);
// "Acct Manager", "Sort / Amt": standard order `order`; after a temporary
// sort the standard order list comes back first (without `tempmx2`).
void selectRegisterOrder(ds::DataContext& ctx, int order);
// Whether a temporary sort is in force.
bool temporarySortInForce(ds::DataContext& ctx);

}  // namespace mx::customers
