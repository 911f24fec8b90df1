<table role="presentation" width="100%" cellpadding="0" cellspacing="0" border="0" style="width:100%; border-collapse:collapse;">
<tbody>
<tr>
<td style="padding:OBJ_PADDINGTOPpx 0 OBJ_PADDINGBOTTOMpx OBJ_MARGINLEFTpx;">
<table class="OBJ_ID" role="presentation" width="OBJ_TABLEWIDTH" cellpadding="0" cellspacing="0" border="0" bgcolor="OBJ_BACKGROUNDCOLOR" style="width:OBJ_TABLEWIDTHpx; background-color:OBJ_BACKGROUNDCOLOR; border-collapse:collapse;">
<tbody>
<tr>
<td align="left" valign="middle" style="padding:6px 10px; border-bottom:2px solid #ffffff; font-family:Arial, Helvetica, sans-serif; font-size:OBJ_FONTSIZELEFTpx; line-height:1.3; color:OBJ_FONTCOLOR;">OBJ_TEXTLEFT</td>
<td align="right" valign="middle" style="padding:6px 10px; border-bottom:2px solid #ffffff; font-family:'Courier New', Courier, monospace; font-size:OBJ_FONTSIZERIGHTpx; line-height:1.3; white-space:nowrap; color:OBJ_FONTCOLOR;">OBJ_TEXTRIGHT</td>
</tr>
</tbody>
</table>
</td>
</tr>
</tbody>
</table>
