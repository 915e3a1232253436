#pragma once
/* The declaration print's list: every stored transaction of the declaration with a known method
 * and indicator, its party's name and the amount of origin by method and indicator, ordered by the
 * parties' names. The party is joined on the declaration's form code. Parameters: the form code,
 * then the declaration's TIP_DOC_D, PERIODO and DOC_ID_D. A C string literal, so C code can run
 * the same query. */
#define KLV_DECLARATION_PRINT_LIST \
    "SELECT T.COR_TRANSACCION, P.RAZON_SOCIAL, T.TIP_DOC_P, T.DOC_ID_P, T.FLAG_VAL_MET, T.COD_TIP_MONEDA," \
    " T.NOM_OTRO_TIP_MON," \
    " CASE WHEN T.FLAG_VAL_MET='00' AND T.IND_TRANSAC_FIN='0' THEN T.MTO_SIN_TRAN_MON_ORI" \
    " WHEN T.FLAG_VAL_MET='00' THEN T.MTO_SIN_CAP_MON_ORI" \
    " WHEN T.FLAG_VAL_MET='01' AND T.IND_TRANSAC_FIN='0' THEN T.MTO_TRAN_MON_ORI" \
    " WHEN T.FLAG_VAL_MET='01' THEN T.MTO_INTS_MON_ORI" \
    " WHEN T.IND_TRANSAC_FIN='0' THEN T.MTO_TRA_MON_ORI" \
    " ELSE T.MTO_TOT_CAP_MON_ORI END" \
    " FROM TRANSACCION2 T LEFT JOIN PAR_VIN P ON P.TIP_DOC_D=T.TIP_DOC_D AND P.DOC_ID_D=T.DOC_ID_D" \
    " AND P.TIP_DOC_P=T.TIP_DOC_P AND P.DOC_ID_P=T.DOC_ID_P AND P.FORMULARIO=?" \
    " WHERE T.TIP_DOC_D=? AND T.PERIODO=? AND T.DOC_ID_D=?" \
    " AND T.FLAG_VAL_MET IN ('00','01','02') AND T.IND_TRANSAC_FIN IN ('0','1')" \
    " ORDER BY P.RAZON_SOCIAL COLLATE KLV_TEXT, T.COR_TRANSACCION, T.TIP_DOC_P, T.DOC_ID_P"
