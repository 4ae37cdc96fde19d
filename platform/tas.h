#pragma once

namespace quorvale {

/** À appeler au début de main : le tas grandit par grandes réserves en grandes pages (2 Mo) quand
 *  le système le permet, et ne rend rien en cours de route. Sans effet ailleurs. */
void PrepareTas();

} // namespace quorvale
