#pragma once
/* The five statements that delete a stored declaration of a declarant of document type 6 with all
 * its rows: its transaction types, its transactions, its status row, its header and its attached
 * study. Parameters, in order: the declarant's document, the period, the form code. C string
 * literals, so C code can run the same deletes. */
#define KLV_DECLARATION_DELETES                                                                     \
    {                                                                                               \
        "DELETE FROM TRATIPTRA2 WHERE TIP_DOC_D=6 AND DOC_ID_D=? AND PERIODO=? AND FORMULARIO=?",   \
            "DELETE FROM TRANSACCION2 WHERE TIP_DOC_D=6 AND DOC_ID_D=? AND PERIODO=? AND FORMULARIO=?", \
            "DELETE FROM IDENTIFICA2 WHERE TIP_DOC_D=6 AND DOC_ID_D=? AND PERIODO=? AND FORMULARIO=?",  \
            "DELETE FROM CAB WHERE TIP_DOC_D=6 AND DOC_ID_D=? AND PERIODO=? AND FORMULARIO=?",          \
            "DELETE FROM EFCONTROLNS WHERE TIP_DOC_D=6 AND DOC_ID_D=? AND PERIODO=? AND FORMULARIO=?"   \
            " AND SEMANA=0 AND TAB_D='PDF'"                                                             \
    }
