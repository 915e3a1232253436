#pragma once
// The per-type detail of a non-financial transaction valued by other methods: one TMPTRADET row
// per ticked transaction type, holding that type's amount in the registration currency. The
// transaction form prepares the rows, the detail form lets the user type the amounts, and the save
// copies each amount into the type row (transaction_save.h).

#include "keys.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace klv {

struct AppContext;
struct TypeItem;

// Deletes the detail rows of one transaction (the "Otros Métodos" click of a new transaction
// clears those of the number the save will give). Throws DbError.
void deleteDetail(const AppContext& ctx, const TransactionKey& key);

}  // namespace klv
